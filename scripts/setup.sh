#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Korvane needs.
# Idempotent: packages already present are left alone; the package lists are
# refreshed once, and only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6concurrent6
  qcoro-qt6-dev
  libcurl4-openssl-dev curl
  libbenchmark-dev
  iputils-ping iproute2 iptables
  python3 python3-aiosmtpd openssl
  samba-common-bin
  xauth xvfb
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
