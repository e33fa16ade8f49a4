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

if [ "${1:-}" = "--install" ]; then
  apt-get install -y -qq "./$deb" >/dev/null
  tillery-cli --help | head -n 1
  cfg=$(mktemp -d)
  XDG_CONFIG_HOME=$cfg QT_QPA_PLATFORM=offscreen timeout 3 tillery || [ $? -eq 124 ]
  rm -rf "$cfg"
  echo "Both programs start from the installed package."
fi
