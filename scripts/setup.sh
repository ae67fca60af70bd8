#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Korvane needs.
# Idempotent: packages already present are left alone; the package lists are refreshed once,
# and only when something is missing. Needs nothing but bash and apt; runs as root, or
# through sudo when it is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libqt6concurrent6 qt6-svg-dev
  qcoro-qt6-dev
  libcurl4-openssl-dev curl
  libbenchmark-dev
  iputils-ping iproute2 iptables
  python3 python3-aiosmtpd openssl
  samba-common-bin krb5-user # net for Windows PCs' services and drives; klist
  samba                      # the tests' stand-in for a Windows PC
  clang-format
  clang libclang-rt-14-dev   # the fuzz targets (libFuzzer, sanitizers)
  xauth xvfb
  dbus python3-dbus python3-gi # a private session bus with a notification service (tests)
  dpkg-dev lintian             # the Debian package: its dependencies found, then checked
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ "${#missing[@]}" -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
  else
    echo "Korvane needs these Debian packages: ${missing[*]}" >&2
    echo "Installing them needs root, and sudo is not installed. Run this once as root:" >&2
    echo "    su -c 'bash $(cd "$(dirname "$0")" && pwd)/setup.sh'" >&2
    echo "then run the command again as yourself." >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "${missing[@]}"
