#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, when it is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang libclang-rt-14-dev
    qt6-base-dev qt6-base-private-dev libgl-dev libjpeg62-turbo-dev libjpeg-turbo-progs libicu-dev
    fonts-noto-cjk fonts-wqy-microhei fonts-liberation2 fonts-dejavu-core fonts-noto-color-emoji
    locales xdg-utils pango1.0-tools
    dpkg-dev file lintian desktop-file-utils appstream
)
[ "${ZORNA_SETUP_EXTRA:-}" ] && read -r -a extra <<<"$ZORNA_SETUP_EXTRA" && packages+=("${extra[@]}")

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The tests count lengths under a Chinese legacy code page too.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.gbk$'; then
    as_root localedef -i zh_CN -f GBK zh_CN.GBK
fi
