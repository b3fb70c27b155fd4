#!/usr/bin/env bash
# Builds the Windows programs with Debian's MinGW-w64 cross compiler and runs their tests under
# Wine: scripts/build-windows.sh [--no-tests] [--zip]
#   build-windows/tarnex-cli.exe          the command line, statically linked
#   build-windows/tests/tarnex_win_tests.exe  the core and command-line suites (run by ctest under Wine)
#   build-windows/tarnex-VERSION-win64.zip    with --zip
# Installs the compiler and Wine with apt-get where they are missing. Debian has MinGW builds of
# zlib but not of libpng or GoogleTest: libpng is built from Debian's own source package (fetched
# with apt-get source through a private deb-src list made from this machine's sources) and
# GoogleTest from /usr/src/googletest, both with the cross compiler, once per build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${TARNEX_WINDOWS_BUILD:-build-windows}
tests=1 zip=0
for arg in "$@"; do
  case $arg in
    --no-tests) tests=0 ;;
    --zip) zip=1 ;;
    *) echo "usage: $0 [--no-tests] [--zip]" >&2; exit 2 ;;
  esac
done
host=x86_64-w64-mingw32
jobs=$(nproc)

scripts/install-deps.sh cmake ninja-build dpkg-dev g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
  libz-mingw-w64-dev googletest wine wine64 zip

mkdir -p "$build"
build=$(cd "$build" && pwd)
deps=$build/deps
prefix=$deps/prefix
mkdir -p "$prefix"

# libpng, static, from Debian's source package of the version this machine's libpng-dev has.
if [ ! -f "$prefix/lib/libpng16.a" ]; then
  apt_dir=$deps/apt
  rm -rf "$apt_dir" "$deps/libpng" && mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" \
    "$apt_dir/cache/archives/partial" "$deps/libpng"
  for list in /etc/apt/sources.list.d/*.sources; do
    [ -f "$list" ] || continue
    sed 's/^Types: *deb *$/Types: deb-src/' "$list" >"$apt_dir/sources.list.d/$(basename "$list")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list.d/main.list"
  fi
  apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
               -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
  apt-get "${apt_options[@]}" update -qq
  # The newest version the mirror still serves (a security update's files can be gone already).
  fetched=0
  for version in $(apt-cache "${apt_options[@]}" showsrc libpng1.6 | sed -n 's/^Version: //p' | sort -rV); do
    if (cd "$deps/libpng" && apt-get "${apt_options[@]}" source -qq "libpng1.6=$version" >/dev/null 2>&1); then
      fetched=1
      break
    fi
  done
  [ $fetched = 1 ] || { echo "apt-get source could not fetch libpng1.6" >&2; exit 1; }
  source_dir=$(find "$deps/libpng" -mindepth 1 -maxdepth 1 -type d -name 'libpng1.6-*' | head -n 1)
  cmake -S "$source_dir" -B "$deps/libpng/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON >/dev/null
  cmake --build "$deps/libpng/build" -j "$jobs" >/dev/null
  cmake --install "$deps/libpng/build" >/dev/null
fi

# GoogleTest, static, from the sources Debian's googletest package installs.
if [ ! -f "$prefix/lib/libgtest.a" ]; then
  cmake -S /usr/src/googletest -B "$deps/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_GMOCK=OFF -Dgtest_disable_pthreads=OFF >/dev/null
  cmake --build "$deps/googletest" -j "$jobs" >/dev/null
  cmake --install "$deps/googletest" >/dev/null
fi

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARNEX_WERROR=ON \
  -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw64.cmake" -DTARNEX_WINDOWS_PREFIX="$prefix" \
  -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include \
  -DPNG_LIBRARY="$prefix/lib/libpng16.a" -DPNG_PNG_INCLUDE_DIR="$prefix/include" \
  -DTARNEX_BUILD_TESTS=$([ $tests = 1 ] && echo ON || echo OFF) >/dev/null
cmake --build "$build" -j "$jobs"

if [ $tests = 1 ]; then
  # One Wine prefix per build folder, made once; the wine server stays up while the tests run so
  # that each program starts in milliseconds.
  export WINEPREFIX=$build/wine-prefix WINEDEBUG=-all
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  wineserver -p 2>/dev/null || true # kept running; one that runs already serves too
  # Wine's services start with the first program and keep its output open: started here, they
  # hold nothing of ctest's, which would otherwise wait for them to end.
  wineboot >/dev/null 2>&1
  trap 'wineserver -k || true' EXIT
  ctest --test-dir "$build" --output-on-failure -j 2
fi

if [ $zip = 1 ]; then
  cmake --build "$build" --target windows_zip
fi
