#!/usr/bin/env bash
# Sets up what is missing, builds, and runs every test through CTest. The tests start and
# stop their own private database server.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" -DHORALIA_WERROR=ON
cd "$root/build"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure "$@"
