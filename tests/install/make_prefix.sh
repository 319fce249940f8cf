#!/usr/bin/env bash
# make install with a PREFIX holding a blank, and with a relative one (taken from the folder make runs
# in): the files land there and the desktop entry's Exec starts the installed simulator. The build, the
# packages and the configuration are left out: only the install step of the Makefile runs.
# Usage: make_prefix.sh SOURCE-DIR BUILD-DIR SCRATCH-DIR
set -u
SRC=$1 BUILD=$2 OUT=$3
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
rm -rf "$OUT" && mkdir -p "$OUT" && cd "$OUT" || exit 1
install_into() {
    make --no-print-directory -f "$SRC/Makefile" install BUILD="$BUILD" DEPS=: CONFIGURE=: COMPILE=: PREFIX="$1" \
        >install.log 2>&1 || fail "make install PREFIX='$1': $(cat install.log)"
}
# starts DIR: DIR/bin/zt30-sim is installed and the entry's Exec, read as a launcher does, starts it.
starts() {
    local entry="$1/share/applications/zt30-sim.desktop"
    [ -x "$1/bin/zt30-sim" ] && [ -f "$entry" ] || fail "nothing installed in '$1': $(cat install.log)"
    eval "set -- $(sed -n 's/^Exec=//p' "$entry")"
    [[ $1 == /* ]] || fail "Exec names a relative path: $1"
    (cd / && env PATH=/usr/bin:/bin "$@" --version | grep -q '^zt30-sim ') || fail "Exec '$1' does not start"
}
install_into "$OUT/my apps"
starts "$OUT/my apps"
install_into relprefix
starts "$OUT/relprefix"
echo "make install test passed"
