#!/usr/bin/env bash
# Configures and builds into build/ (or $ZORNA_BUILD_DIR).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ZORNA_BUILD_DIR:-$top/build}
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${ZORNA_BUILD_TYPE:-RelWithDebInfo}" "$@" >/dev/null
cmake --build "$dir"
