#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
ctest --test-dir "${ZORNA_BUILD_DIR:-$top/build}" --output-on-failure -j2
