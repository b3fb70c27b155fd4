#!/usr/bin/env bash
# Builds the Windows programs with Debian's MinGW-w64 cross compiler and runs their tests under
# Wine: scripts/build-windows.sh [--no-tests] [--zip]
#   build-windows/tarnex-cli.exe          the command line, statically linked
#   build-windows/winui/tarnex.exe        the window
#   build-windows/tests/tarnex_win_tests.exe  the core and command-line suites (run by ctest under Wine)
#   build-windows/tests/winui/tarnex_window_tests.exe  the window's, on a private Xvfb display
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
  libz-mingw-w64-dev googletest wine wine64 zip xvfb

mkdir -p "$build"
build=$(cd "$build" && pwd)
deps=$build/deps
prefix=$deps/prefix
mkdir -p "$prefix"

# Debian's source packages, fetched with apt-get source through a private deb-src list made from
# this machine's own sources (no other host is named).
apt_dir=$deps/apt
apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache" -o "APT::Sandbox::User=root")
apt_ready=0
# fetch_source PACKAGE FOLDER: unpacks the newest version of PACKAGE the mirror still serves (a
# security update's files can be gone already) into FOLDER and prints the source folder.
fetch_source() {
  if [ $apt_ready = 0 ]; then
    rm -rf "$apt_dir" && mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
    for list in /etc/apt/sources.list.d/*.sources; do
      [ -f "$list" ] || continue
      sed 's/^Types: *deb *$/Types: deb-src/' "$list" >"$apt_dir/sources.list.d/$(basename "$list")"
    done
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$apt_dir/sources.list.d/main.list"
    fi
    apt-get "${apt_options[@]}" update -qq
    apt_ready=1
  fi
  rm -rf "$2" && mkdir -p "$2"
  for version in $(apt-cache "${apt_options[@]}" showsrc "$1" | sed -n 's/^Version: //p' | sort -rV); do
    if (cd "$2" && apt-get "${apt_options[@]}" source -qq "$1=$version" >/dev/null 2>&1); then
      find "$2" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1
      return 0
    fi
  done
  echo "apt-get source could not fetch $1" >&2
  return 1
}

# libpng, static, from Debian's source package.
if [ ! -f "$prefix/lib/libpng16.a" ]; then
  source_dir=$(fetch_source libpng1.6 "$deps/libpng")
  cmake -S "$source_dir" -B "$deps/libpng/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-mingw64.cmake" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DZLIB_LIBRARY=/usr/$host/lib/libz.a -DZLIB_INCLUDE_DIR=/usr/$host/include \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF -DSKIP_INSTALL_PROGRAMS=ON >/dev/null
  cmake --build "$deps/libpng/build" -j "$jobs" >/dev/null
  cmake --install "$deps/libpng/build" >/dev/null
fi

# libimagequant, static, from Debian's source package: its C files compiled as its own build
# does (C99, no OpenMP), without its shared-library install rules.
if [ ! -f "$prefix/lib/libimagequant.a" ]; then
  source_dir=$(fetch_source libimagequant "$deps/libimagequant")
  mkdir -p "$deps/libimagequant/obj" "$prefix/include" "$prefix/lib"
  for unit in libimagequant blur mediancut mempool nearest pam kmeans; do
    $host-gcc-posix -std=c99 -O2 -DNDEBUG -w -c "$source_dir/$unit.c" -o "$deps/libimagequant/obj/$unit.o"
  done
  $host-ar rcs "$prefix/lib/libimagequant.a" "$deps/libimagequant/obj/"*.o
  cp "$source_dir/libimagequant.h" "$prefix/include/"
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
  # The window tests need a display, and Wine's desktop takes the display of the first program
  # that the wine server runs: a private X server, started before any of them.
  . scripts/xvfb.sh
  start_xvfb || exit 1
  trap stop_xvfb EXIT
  # A wine server left from a run without this display would keep its desktop: it is ended first.
  wineserver -k 2>/dev/null || true
  [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
  wineserver -p 2>/dev/null || true # kept running; one that runs already serves too
  # Wine's services start with the first program and keep its output open: started here, they
  # hold nothing of ctest's, which would otherwise wait for them to end.
  wineboot >/dev/null 2>&1
  # No window manager runs on that server: Wine's windows are left unmanaged, or each window
  # hidden waits two seconds for a manager to answer.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  trap 'wineserver -k || true; stop_xvfb' EXIT
  # One suite at a time: the window suite starts programs of its own, and a child of the core
  # suite has been seen ending without a word under Wine while it did.
  ctest --test-dir "$build" --output-on-failure -j 1
fi

if [ $zip = 1 ]; then
  cmake --build "$build" --target windows_zip
fi
