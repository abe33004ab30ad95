#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
exec "${ZORNA_BUILD_DIR:-$top/build}/app/zorna-text-to-image"
