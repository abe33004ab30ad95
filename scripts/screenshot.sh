#!/bin/sh
# Starts the real program under Xvfb, takes a screenshot of the whole screen and stops both.
#   scripts/screenshot.sh [output.png]     (default: shot.png in the current folder)
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-shot.png}
display=:99

need() { command -v "$1" >/dev/null 2>&1; }
if ! need Xvfb || ! need import; then
    if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
    $sudo apt-get update
    $sudo apt-get install -y xvfb imagemagick
fi

if [ ! -x "$root/build/app/zorna-text-to-image" ]; then
    [ -f "$root/build/build.ninja" ] || cmake -S "$root" -B "$root/build" -G Ninja
    cmake --build "$root/build" --target zorna-text-to-image
fi

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp &
xvfb=$!
app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

# Wait for the server to answer.
i=0
until DISPLAY=$display xdpyinfo >/dev/null 2>&1 || [ $i -ge 50 ]; do
    sleep 0.1
    i=$((i + 1))
done

DISPLAY=$display QT_QPA_PLATFORM=xcb "$root/build/app/zorna-text-to-image" &
app=$!
sleep 3
import -display "$display" -window root "$out"
echo "screenshot written to $out"
