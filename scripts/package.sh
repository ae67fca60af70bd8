#!/usr/bin/env bash
# Builds Korvane and its Debian package: build/packages/korvane_<version>-1_<arch>.deb.
# Install it with `sudo apt install ./build/packages/korvane_*.deb` (apt brings in what it
# needs); remove it with `sudo apt remove korvane`.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cd build
rm -f packages/korvane_*.deb
cpack -G DEB
ls packages/korvane_*.deb
