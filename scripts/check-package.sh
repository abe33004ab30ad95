#!/usr/bin/env bash
# Checks the Debian package as a packager and a user would: builds it in build/ (or
# $ZORNA_BUILD_DIR) unless one is given, runs lintian, desktop-file-validate and appstreamcli on
# it, looks at what it holds, then unpacks it into a temporary root and converts a text with the
# unpacked program as an ordinary user, offscreen. The pair must land in that user's own data
# folder, and Open directory must open that folder.
#   scripts/check-package.sh [package.deb]
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${ZORNA_BUILD_DIR:-$top/build}

fail() {
    echo "check-package: $*" >&2
    exit 1
}

[ -f "$dir/CMakeCache.txt" ] || "$top/scripts/build.sh"
if [ $# -ge 1 ]; then
    deb=$(realpath "$1")
    cmake --build "$dir" --target zorna-package-driver
else
    cmake --build "$dir"
    deb=$(cd "$dir" && cpack -G DEB | sed -n 's/^CPack: - package: \(.*\) generated\.$/\1/p')
fi
[ -f "$deb" ] || fail "no package built"
driver=$dir/tests/libzorna-package-driver.so
[ -f "$driver" ] || fail "no package driver in $dir (configured without tests?)"

work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
chmod 755 "$work"
root=$work/root
home=$work/home
mkdir -p "$root" "$home" "$work/bin"
cp "$deb" "$driver" "$work/"
deb=$work/$(basename "$deb")
driver=$work/$(basename "$driver")
dpkg-deb -x "$deb" "$root"

# Root can write anywhere: the program and lintian run as nobody. An ordinary user gets a tree
# that is not theirs to write instead.
if [ "$(id -u)" -eq 0 ]; then
    chown nobody "$home"
    as_user() { setpriv --reuid=nobody --regid="$(id -g nobody)" --clear-groups -- "$@"; }
else
    chmod -R a-w "$root"
    as_user() { "$@"; }
fi
clean_env=(env -i HOME="$home" PATH="$work/bin:/usr/bin:/bin" LC_ALL=C.UTF-8)

echo "== $(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb --field "$deb" Depends Recommends

echo "== lintian"
as_user "${clean_env[@]}" lintian --fail-on error "$deb" || fail "lintian found errors"

echo "== desktop-file-validate"
desktops=("$root"/usr/share/applications/*.desktop)
[ ${#desktops[@]} -eq 1 ] && [ -f "${desktops[0]}" ] || fail "not one desktop entry"
out=$(desktop-file-validate "${desktops[0]}" 2>&1) || true
[ -z "$out" ] || fail "desktop-file-validate: $out"

echo "== appstreamcli"
id=$(basename "${desktops[0]}" .desktop)
metainfo=$root/usr/share/metainfo/$id.metainfo.xml
[ -f "$metainfo" ] || fail "no metainfo named after the desktop entry ($id)"
grep -q "<id>$id</id>" "$metainfo" || fail "metainfo id is not $id"
appstreamcli validate --no-net --pedantic "$metainfo" || fail "appstreamcli validate failed"

echo "== contents"
# Everything under /usr, nothing from the build machine's folders.
if dpkg-deb --contents "$deb" | awk '{print $6}' | grep -v -e '^\./usr/' -e "^\./$"; then
    fail "files outside /usr"
fi
if dpkg-deb --contents "$deb" | grep -F -e "$top" -e "$dir"; then
    fail "build folder paths in the package"
fi
while IFS= read -r -d '' f; do
    if file -b "$f" | grep -q '^ELF' && readelf -d "$f" | grep -E 'RPATH|RUNPATH'; then
        fail "library search path in ${f#"$root"}"
    fi
done < <(find "$root" -type f -print0)
[ -f "$root/usr/share/doc/zorna-text-to-image/copyright" ] || fail "no copyright file"
gzip -t "$root/usr/share/doc/zorna-text-to-image/changelog.gz" || fail "no changelog.gz"

echo "== the unpacked program, as $(as_user id -un)"
# A stand-in file manager records the folder Open directory asks for.
cat >"$work/bin/xdg-open" <<'OPENER'
#!/bin/sh
printf '%s\n' "$1" >>"$HOME/opened"
OPENER
chmod 755 "$work/bin/xdg-open"
log=$(as_user "${clean_env[@]}" QT_QPA_PLATFORM=offscreen LD_PRELOAD="$driver" \
    timeout 120 "$root/usr/bin/zorna-text-to-image" 2>"$work/stderr") ||
    fail "the program failed: $(cat "$work/stderr")"
echo "$log"
stamp=$(printf '%s\n' "$log" |
    sed -n 's/^box: Picture has been saved to the path Pic name:\(.\{17\}\)\.jpg$/\1/p')
[ -n "$stamp" ] || fail "no confirmation"
pic=$home/.local/share/zorna-text-to-image/Pic
[ "$(ls "$pic")" = "$stamp.jpg"$'\n'"$stamp.txt" ] || fail "$pic holds: $(ls -A "$pic")"
file -b "$pic/$stamp.jpg" | grep -q '^JPEG image data' || fail "the picture is no JPEG"
head -n 1 "$pic/$stamp.txt" | grep -q '^Converted by an installed copy 中文测试'$'\r''$' ||
    fail "the text copy does not hold the text"
grep -q 'Email:' "$pic/$stamp.txt" || fail "the text copy has no footer"
[ ! -e "$root/usr/bin/Pic" ] || fail "a Pic folder beside the installed program"
# The file manager starts on its own, maybe after the program has ended.
for _ in $(seq 100); do
    [ -s "$home/opened" ] && break
    sleep 0.1
done
[ "$(cat "$home/opened" 2>/dev/null)" = "$pic" ] ||
    fail "Open directory opened: $(cat "$home/opened" 2>/dev/null)"
echo "package checked: the pair is in the user's $pic; Open directory opened it"
