#!/usr/bin/env bash
# Prints the SHA-256 of the output files of generated scenes converted in every mode, so that a
# change meant only to speed the converter up can be shown to leave every output byte as it was:
#   scripts/output-hashes.sh > before.txt; (change); scripts/output-hashes.sh > after.txt; diff before.txt after.txt
# Uses tarnex-cli and tarnex_bench (the scene generator) from the benchmark build.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TARNEX_BENCH_BUILD:-build-bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEX_BUILD_BENCH=ON -DTARNEX_BUILD_UI=ON \
  -DTARNEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target tarnex_bench tarnex-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cli="$build/tarnex-cli"

# name objects vertices frames key-every shuffled
scenes=(
  "grid 12 300 0 10 1"
  "keyed 6 500 120 7 0"
  "dense 5 37 50 1 1"
  "mixed 9 1200 301 10 1"
  "byname-big 200 16000 0 10 1"
  "keyframe-heavy 40 400 2000 10 0"
)
for line in "${scenes[@]}"; do
  read -r name objects vertices frames every shuffled <<<"$line"
  "$build/bench/tarnex_bench" --tarnex_generate "$objects" "$vertices" "$frames" "$every" "$shuffled" "$work/$name.3ds"
  for frame in key byname; do
    [ "$name" = byname-big ] && [ "$frame" = key ] && continue # more than 16383 vertices a frame
    for vertex in uniform xyz clip; do
      words=()
      [ "$frame" = byname ] && words+=(byname)
      [ "$vertex" != uniform ] && words+=("$vertex")
      out="$work/$name-$frame-$vertex"
      "$cli" "$work/$name.3ds" "$out.3d" "${words[@]}" >/dev/null
      # Appending the same scene once more checks the append path.
      "$cli" "$work/$name.3ds" "${out}_a.3d" append "${words[@]}" >/dev/null
      (cd "$work" && sha256sum "$(basename "$out")_d.3d" "$(basename "$out")_a.3d")
      rm -f "${out}_d.3d" "${out}_a.3d"
    done
  done
  rm -f "$work/$name.3ds"
done
