#!/usr/bin/env bash
# Sets up, builds and runs every test: the normal build, its Debian package (validated, unpacked
# and run as an ordinary user), the same tests under AddressSanitizer and
# UndefinedBehaviorSanitizer (build-asan/), and the fuzz target for a minute (build-fuzz/); the
# sanitizer run comes last, so the last line is its test summary.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
ctest --test-dir "${ZORNA_BUILD_DIR:-$top/build}" --output-on-failure -j2
"$top/scripts/check-package.sh"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
"$top/scripts/fuzz.sh" "${ZORNA_FUZZ_SECONDS:-60}"

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan
