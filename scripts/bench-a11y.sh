#!/bin/bash
# The conversion through the window under X11, without and with an accessibility client
# registered on the accessibility bus (as a screen reader is), in turns; then what that client
# reads from the real program's window.
#   scripts/bench-a11y.sh [runs]   (default 5; build first: ./scripts/build.sh)
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
bench=$root/build/bench/zorna-bench
program=$root/build/app/zorna-text-to-image
client=$root/bench/a11y-client.py

if [ "${1:-}" != --inside ]; then
    runs=${1:-5}
    ZORNA_SETUP_EXTRA="xvfb x11-utils dbus at-spi2-core python3-dbus python3-gi" \
        "$root/scripts/setup.sh"
    [ -x "$bench" ] && [ -x "$program" ] || { echo "build first: ./scripts/build.sh" >&2; exit 1; }
    display=:98
    Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb=$!
    trap 'kill $xvfb 2>/dev/null || true' EXIT
    i=0
    until DISPLAY=$display xdpyinfo >/dev/null 2>&1 || [ $i -ge 50 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    DISPLAY=$display QT_QPA_PLATFORM=xcb dbus-run-session -- "$0" --inside "$runs" 2>/dev/null
    exit
fi

runs=$2
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
sleep 1

# One fresh process converting W2 (100,000 bytes of prose) once ready, then a text of new glyphs
# once ready: "first|paste whole layout paint compress write ready encoder" per line.
for ((r = 0; r < runs; r++)); do
    "$bench" --first-child 2 idle "$work" | sed 's/^/without /' >>"$work/times"
    /usr/bin/python3 "$client" listen >"$work/events" &
    listener=$!
    until grep -q listening "$work/events" 2>/dev/null; do sleep 0.1; done
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$bench" --first-child 2 idle "$work" |
        sed 's/^/with /' >>"$work/times"
    kill -TERM "$listener"
    wait "$listener" || true
done

echo "W2 through the window under X11, $runs fresh processes each, in turns; ms as median:"
for kind in first paste; do
    for who in without with; do
        awk -v who="$who" -v kind="$kind" '$1 == who && $2 == kind { w[n] = $3; r[n] = $3 / $9; n++ }
            function median(a, n,   i, j, t) {
                for (i = 0; i < n; i++) for (j = i + 1; j < n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
                return n % 2 ? a[int(n / 2)] : (a[n / 2 - 1] + a[n / 2]) / 2 }
            END { printf "  %-5s %-26s whole %6.1f, %.2f x the encoder alone\n", kind, who " a client", median(w, n), median(r, n) }' \
            "$work/times"
    done
done
echo "Events the client got in the last process (its paste of 100,000 bytes and its conversions):"
sed 's/^/  /' "$work/events" | grep -v listening

echo "What the client reads from the program's window:"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" >/dev/null 2>&1 &
app=$!
sleep 2
/usr/bin/python3 "$client" read "$(basename "$program")" | grep -E "push button|label|text" | sed 's/^/  /' || true
kill "$app"
