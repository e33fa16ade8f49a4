#!/usr/bin/env bash
# Installs the Debian packages that are missing. Without arguments: what building and
# running need. `--test` adds the test-only tools; `--screenshots` what the screenshot
# script needs.
set -euo pipefail

# Building (the test suite is part of the default build) and running; the exports read the
# time-zone database through the date/tz library, and their tests parse the output back
# with nlohmann's JSON parser and Python's csv module.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev libgl-dev libgtest-dev fonts-liberation
          libhowardhinnant-date-dev tzdata nlohmann-json3-dev python3)
for arg in "$@"; do
  case "$arg" in
    --test)
      # Fuzzing (clang's libFuzzer and sanitizer runtimes), and the Windows cross build:
      # the 64-bit POSIX-threads mingw-w64 compiler, GoogleTest's sources to build for it,
      # and Wine to run its tests.
      packages+=(clang libclang-rt-14-dev g++-mingw-w64-x86-64-posix googletest wine64) ;;
    --screenshots)
      # A virtual X server, a window manager, window lookup and picture cropping.
      packages+=(xvfb xauth imagemagick openbox xdotool) ;;
    *)
      echo "usage: deps.sh [--test] [--screenshots]" >&2
      exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages: ${missing[*]} (run as root, or install them with apt-get)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
