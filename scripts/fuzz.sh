#!/usr/bin/env bash
# Runs the fuzz target (built by the fuzz preset into build-fuzz/) for the given seconds (60),
# starting from the committed corpus; new inputs go to a scratch folder, a failing input to
# build-fuzz/fuzz-artifacts/.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
fuzzer=$top/build-fuzz/tests/fuzz/fuzz-conversion
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$top/build-fuzz/fuzz-artifacts"
export FONTCONFIG_FILE=$top/build-fuzz/fonts.conf
sed "s|@CMAKE_CURRENT_BINARY_DIR@|$top/build-fuzz|" "$top/tests/fonts/noto.conf.in" >"$FONTCONFIG_FILE"
export LSAN_OPTIONS=suppressions=$top/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Leaks are the sanitizer test run's to find: looking after every input would cost most inputs.
"$fuzzer" -max_total_time="$seconds" -timeout=60 -rss_limit_mb=4096 -detect_leaks=0 \
    -print_final_stats=1 -artifact_prefix="$top/build-fuzz/fuzz-artifacts/" \
    "$scratch" "$top/tests/fuzz/corpus" 2>&1 |
    grep -v -e 'propagateSizeHints' -e 'OpenType support missing'
