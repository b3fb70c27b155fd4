#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them: Load, BuildFrame and whole conversions of the
# generated scenes byname-big and keyframe-heavy, beside Assimp and lib3ds loading the same files
# and the floors of reading the file and writing the output's size. Ends with a summary of ratios.
#   scripts/bench.sh                       # medians of 5 repetitions
#   scripts/bench.sh --tarnex_quick        # scenes a tenth the size, for a quick look
#   scripts/bench.sh --benchmark_filter=Convert --benchmark_repetitions=3
#   scripts/bench.sh --benchmark_filter='(WriteFloor|ConvertThreads).*/(keyframe-heavy|format-limit)'
#                                          # 1, 2 and all threads beside the write floor (4.3 GB written)
#   scripts/bench.sh --inspect             # --info and the viewer on a pair at the format's limit
#   scripts/bench.sh --inspect --tarnex_frames=600   # the same pair with fewer frames
#   scripts/bench.sh --window              # 65535 small objects through the window and without it
# Scenes and outputs go to $TMPDIR/tarnex-bench (about 260 MB, and 4.3 GB while format-limit is
# converted; --tarnex_dir=FOLDER to change).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TARNEX_BENCH_BUILD:-build-bench}
program=tarnex_bench
if [ "${1:-}" = "--inspect" ]; then
  program=tarnex_inspect_bench
  shift
elif [ "${1:-}" = "--window" ]; then
  program=tarnex_window_bench
  shift
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNEX_BUILD_BENCH=ON -DTARNEX_BUILD_UI=ON \
  -DTARNEX_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "$program"
repetitions=(--benchmark_repetitions=5 --benchmark_report_aggregates_only=true)
for arg in "$@"; do
  case "$arg" in --benchmark_repetitions=*) repetitions=() ;; esac
done
exec "$build/bench/$program" "${repetitions[@]}" "$@"
