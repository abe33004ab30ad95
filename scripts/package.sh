#!/usr/bin/env bash
# Builds in Release in build-release/ (or $ZORNA_PACKAGE_DIR) and makes the Debian package there:
# build-release/zorna-text-to-image_<version>_amd64.deb.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ZORNA_PACKAGE_DIR:-$top/build-release}
"$top/scripts/setup.sh"
ZORNA_BUILD_DIR=$dir ZORNA_BUILD_TYPE=Release "$top/scripts/build.sh" -DBUILD_TESTING=OFF
cd "$dir" && cpack -G DEB
