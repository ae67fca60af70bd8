#!/usr/bin/env bash
# Builds Korvane and starts it. On the first start it creates its database
# (HalvardDB.mdb beside the executable, build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/bin/korvane "$@"
