#!/usr/bin/env bash
# Builds the Debian package into build-pkg/ and checks it: its contents, and that both
# programs start from an installation of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DTILLERY_BUILD_TESTS=OFF \
      -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-pkg --parallel "$(nproc)"
(cd build-pkg && cpack -G DEB >/dev/null)
deb=$(ls build-pkg/tillery_*.deb | head -n 1)
echo "Package: $deb"
dpkg-deb --info "$deb" | grep -E 'Package|Version|Depends'
dpkg-deb --contents "$deb" | awk '{print $6}' | grep -E 'bin/|\.desktop|\.svg'

# A fresh Debian root (made with debootstrap when the folder is empty): install the
# package there with apt-get, which pulls in its dependencies, and start both programs.
if [ "${1:-}" = "--fresh-root" ]; then
  root=${2:?"--fresh-root needs a folder"}
  if [ ! -x "$root/usr/bin/apt-get" ]; then
    command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
    debootstrap --variant=minbase bookworm "$root" http://deb.debian.org/debian >/dev/null
  fi
  cp "$deb" "$root/tmp/"
  cp tests/data/sample_xp.log "$root/tmp/"
  chroot "$root" /bin/sh -ec "
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq /tmp/$(basename "$deb") >/dev/null
    tillery-cli --quiet -o /tmp/out.xls /tmp/sample_xp.log
    cat /tmp/out.xls
    mkdir -p /tmp/cfg
    XDG_CONFIG_HOME=/tmp/cfg QT_QPA_PLATFORM=offscreen timeout 3 tillery || [ \$? -eq 124 ]
  "
  echo "Both programs start from the package installed on a fresh Debian root."
fi

if [ "${1:-}" = "--install" ]; then
  apt-get install -y -qq "./$deb" >/dev/null
  tillery-cli --help | head -n 1
  cfg=$(mktemp -d)
  XDG_CONFIG_HOME=$cfg QT_QPA_PLATFORM=offscreen timeout 3 tillery || [ $? -eq 124 ]
  rm -rf "$cfg"
  echo "Both programs start from the installed package."
fi
