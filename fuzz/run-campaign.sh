#!/usr/bin/env bash
# A long fuzzing campaign of the .3DS load and the whole in-memory conversion. It runs in the
# foreground; start it with nohup to leave it running:
#   nohup nice -n 10 fuzz/run-campaign.sh [SECONDS] [FOLDER] &     (defaults: 3600, ./fuzz-campaign)
# Builds the clang fuzz target in build-fuzz, copies it into FOLDER (so that rebuilding does not
# disturb the running campaign), and fuzzes from the seeds with the chunk dictionary. FOLDER ends
# up holding corpus/ (the grown corpus, reused by the next campaign), artifacts/ (crashing,
# leaking or slow inputs), fuzz.log (the fuzzer's own log) and campaign.log (a summary).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-3600}"
folder="$(mkdir -p "${2:-fuzz-campaign}" && cd "${2:-fuzz-campaign}" && pwd)"

cmake -S "$root" -B "$root/build-fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARNEX_BUILD_FUZZ=ON \
  -DTARNEX_BUILD_TESTS=OFF -DTARNEX_BUILD_UI=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build-fuzz" -j 2 --target tarnex_fuzz_load3ds >/dev/null
cp "$root/build-fuzz/fuzz/tarnex_fuzz_load3ds" "$folder/"

# libFuzzer reads folders only: the seeds are gathered into one.
mkdir -p "$folder/corpus" "$folder/artifacts" "$folder/seeds"
cp "$root"/fuzz/seeds/* "$folder/seeds/"
find "$root/fuzz/regressions" -type f ! -name '.*' -exec cp {} "$folder/seeds/" \;
[ -f "$root/examples/robot.3ds" ] && cp "$root/examples/robot.3ds" "$folder/seeds/"
for models in /usr/share/games/gl-117/models /usr/share/glmark2/models; do
  [ -d "$models" ] && find "$models" -name '*.3ds' -exec cp {} "$folder/seeds/" \;
done
cd "$folder"
{
  echo "campaign of ${seconds}s started $(date -Is) at $(git -C "$root" rev-parse --short HEAD 2>/dev/null || echo "an unversioned tree")"
  ./tarnex_fuzz_load3ds -max_total_time="$seconds" -timeout=25 -max_len=65536 -print_final_stats=1 \
    -dict="$root/fuzz/3ds.dict" -artifact_prefix="$folder/artifacts/" corpus seeds >fuzz.log 2>&1 || true
  echo "campaign ended $(date -Is)"
  echo "artifacts: $(ls artifacts | wc -l)"
  grep -E '^(#[0-9]+.*(INITED|DONE|pulse)|stat::|Done)' fuzz.log | tail -14 || true
} >>campaign.log 2>&1
