#!/usr/bin/env bash
# Installs into a scratch prefix that is not on PATH (with a space in its name) and checks the desktop
# entry: valid without a single hint, its Exec starts the installed simulator, and the icon it names is
# there at every usual size.
# Usage: desktop_entry.sh CMAKE BUILD-DIR SCRATCH-DIR
set -u
CMAKE=$1 BUILD=$2 OUT=$3
PREFIX="$OUT/pre fix"
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$OUT" && mkdir -p "$OUT" || exit 1
"$CMAKE" --install "$BUILD" --prefix "$PREFIX" >"$OUT/install.log" 2>&1 || fail "install: $(cat "$OUT/install.log")"
ENTRY="$PREFIX/share/applications/zt30-sim.desktop"
[ -f "$ENTRY" ] || fail "no desktop entry installed"
out=$(desktop-file-validate "$ENTRY" 2>&1)
[ $? -eq 0 ] && [ -z "$out" ] || fail "desktop-file-validate: $out"

# Exec as a launcher reads it (its quoting is the shell's double quotes), run with a PATH that does
# not hold the install folder.
exec_line=$(sed -n 's/^Exec=//p' "$ENTRY")
eval "set -- $exec_line"
[ "$1" = "$PREFIX/bin/zt30-sim" ] || fail "Exec names '$1', not the installed program"
version=$(env PATH=/usr/bin:/bin "$@" --version 2>&1) || fail "Exec does not start: $version"
[[ $version == "zt30-sim "* ]] || fail "Exec started something else: $version"

icon=$(sed -n 's/^Icon=//p' "$ENTRY")
for size in 16 22 24 32 48 64 128 256; do
    png="$PREFIX/share/icons/hicolor/${size}x${size}/apps/$icon.png"
    [ -f "$png" ] || fail "no $size x $size icon"
    # Width and height from the PNG header.
    dims=$(od -An -tu1 -j16 -N8 "$png" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')
    [ "$dims" = "${size}x${size}" ] || fail "the $size x $size icon is $dims"
done
echo "desktop entry test passed"
