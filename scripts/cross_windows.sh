#!/usr/bin/env bash
# Builds the core and extraction libraries and their unit tests for 64-bit Windows with
# mingw-w64, and runs the tests under Wine when it is installed.
#
# GoogleTest for mingw is not packaged: it is built from Debian's googletest sources
# (/usr/src/googletest) with the same cross compiler, into build-mingw/googletest.
# MINGW_CXX chooses the compiler; by default the POSIX-threads variant of
# x86_64-w64-mingw32-g++, as GoogleTest needs std::mutex, which GCC 12's win32-threads
# variant lacks. WINE chooses the Wine loader.
set -euo pipefail
cd "$(dirname "$0")/.."

root=${MINGW_BUILD_DIR:-build-mingw}
cxx=${MINGW_CXX:-}
if [ -z "$cxx" ]; then
  cxx=x86_64-w64-mingw32-g++
  if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
    cxx=x86_64-w64-mingw32-g++-posix
  fi
fi
gtest_src=/usr/src/googletest
toolchain=$PWD/cmake/mingw-w64-x86_64.cmake

if ! command -v "$cxx" >/dev/null; then
  echo "cross_windows.sh: $cxx is missing (Debian package mingw-w64)" >&2
  exit 1
fi
if [ ! -f "$gtest_src/CMakeLists.txt" ]; then
  echo "cross_windows.sh: $gtest_src is missing (Debian package googletest)" >&2
  exit 1
fi

# GoogleTest, once per build folder.
gtest_prefix=$PWD/$root/googletest-install
if [ ! -f "$gtest_prefix/lib/cmake/GTest/GTestConfig.cmake" ]; then
  cmake -S "$gtest_src" -B "$root/googletest" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTILLERY_MINGW_CXX="$cxx" \
    -DBUILD_GMOCK=OFF -DINSTALL_GTEST=ON -DCMAKE_INSTALL_PREFIX="$gtest_prefix" >/dev/null
  cmake --build "$root/googletest" --parallel "$(nproc)"
  cmake --install "$root/googletest" >/dev/null
fi

# The libraries and the tests that need no window. Tests are listed when they run, not
# when they are built, as the build machine cannot start Windows programs.
cmake -S . -B "$root/tillery" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTILLERY_MINGW_CXX="$cxx" \
  -DTILLERY_BUILD_GUI=OFF -DTILLERY_WERROR=ON -DGTest_DIR="$gtest_prefix/lib/cmake/GTest" \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST >/dev/null
cmake --build "$root/tillery" --parallel "$(nproc)" --target core_tests extract_tests

wine=${WINE:-}
if [ -z "$wine" ]; then
  for candidate in wine64 wine /usr/lib/wine/wine64; do
    if command -v "$candidate" >/dev/null; then
      wine=$(command -v "$candidate")
      break
    fi
  done
fi
if [ -z "$wine" ]; then
  echo "cross_windows.sh: built for Windows; Wine is not installed, so the tests were not run"
  exit 0
fi

# A Wine prefix of its own, without the Mono and Gecko installers.
export WINEPREFIX=${WINEPREFIX:-$PWD/$root/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=C.UTF-8 LC_ALL=C.UTF-8
status=0
for test in core_tests extract_tests; do
  echo "== $test.exe under $(basename "$wine")"
  if ! "$wine" "$root/tillery/tests/$test.exe" --gtest_brief=1; then
    status=1
  fi
done
"$(dirname "$wine")/wineserver" -k 2>/dev/null || wineserver -k 2>/dev/null || true
exit $status
