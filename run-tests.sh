#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the ordinary build, the
# Windows build under Wine, the AddressSanitizer + UndefinedBehaviorSanitizer build, a short
# fuzzing run, and the Debian package's checks.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEX_WERROR=ON
cmake --build build -j "$jobs"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure

# The Windows build (about 2.5 minutes, one more for the cross compiler and Wine on a new machine):
# tarnex-cli.exe and its tests under Wine, then its outputs against the Linux build's, byte for
# byte (scripts/compare-windows.sh without --quick compares every mode, in about 8 minutes).
scripts/build-windows.sh
scripts/compare-windows.sh --quick build build-windows

# The Debian package, from the same build: lintian finds no errors or warnings in it.
rm -f build/tarnex_*.deb
(cd build && cpack -G DEB >/dev/null)
desktop-file-validate ui/tarnex.desktop
lintian --fail-on error,warning build/tarnex_*.deb

# A short fuzzing run from the seeds (clang only); fuzz/run-campaign.sh runs a long one.
cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTARNEX_BUILD_FUZZ=ON -DTARNEX_BUILD_TESTS=OFF -DTARNEX_BUILD_UI=OFF -DTARNEX_WERROR=ON
cmake --build build-fuzz -j "$jobs" --target tarnex_fuzz_load3ds tarnex_fuzz_texture
rm -rf build-fuzz/corpus && mkdir -p build-fuzz/corpus
build-fuzz/fuzz/tarnex_fuzz_load3ds -runs=20000 -max_total_time=60 -timeout=25 -max_len=65536 -dict=fuzz/3ds.dict \
  -artifact_prefix=build-fuzz/ build-fuzz/corpus fuzz/seeds fuzz/regressions
# The texture maps' target quantizes every picture it accepts: fewer runs in the same minute.
rm -rf build-fuzz/texture-corpus && mkdir -p build-fuzz/texture-corpus
build-fuzz/fuzz/tarnex_fuzz_texture -runs=3000 -max_total_time=60 -timeout=25 -max_len=65536 \
  -artifact_prefix=build-fuzz/ build-fuzz/texture-corpus fuzz/texture-regressions

cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTARNEX_SANITIZE=ON -DTARNEX_BUILD_UI=OFF -DTARNEX_WERROR=ON
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-sanitize --output-on-failure
