#!/usr/bin/env bash
# The manual pages as built: groff and man render them without a warning, they carry the version the
# programs print, and they describe every option each program's --help lists, and for zt30-headless every
# script command and exit status too.
# Usage: man_pages.sh MAN_DIR PROGRAM...
set -u
man_dir=$1
shift
if ! command -v groff >/dev/null; then
    echo "skipped: needs groff (groff-base)"
    exit 77
fi
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# section PAGE NAME: the roff lines of section NAME of PAGE.
section() {
    awk -v name="$2" '/^\.SH / { on = ($0 == ".SH " name) ; next } on' "$1"
}

for program in "$@"; do
    name=$(basename "$program")
    page=$man_dir/$name.1
    [ -f "$page" ] || {
        fail "$name: no page $page"
        continue
    }
    out=$(groff -man -ww -z "$page" 2>&1)
    [ -z "$out" ] || fail "$name: groff: $out"
    if command -v man >/dev/null; then
        out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
        [ -z "$out" ] || fail "$name: man: $out"
    fi

    version=$("$program" --version | head -1 | awk '{ sub(",", "", $2); print $2 }')
    grep -q "^\.TH \"$name\" \"1\" \"[0-9-]*\" \"zt30-sim $version\"" "$page" ||
        fail "$name: the page's version is not $version: $(grep '^\.TH' "$page")"

    help=$("$program" --help)
    for option in $(grep -oE -- '--[a-z][a-z-]*' <<<"$help" | sort -u); do
        section "$page" OPTIONS | grep -qF "\\fB$option\\fR" || fail "$name: $option is not under OPTIONS"
    done
    # Each exit status of the help's last paragraph ("Exit status: 0 ..., 1 ..."), one entry apiece.
    statuses=$(sed -n '/^Exit status:/,$p' <<<"$help" | grep -oE '(^Exit status:|,) [0-9]+' | grep -oE '[0-9]+$')
    for status in $statuses; do
        section "$page" "EXIT STATUS" | grep -qx "\\\\fB$status\\\\fR" ||
            fail "$name: exit status $status not listed"
    done
    if [ "$name" = zt30-headless ]; then
        # The commands of the help: "  wait DURATION ...", "  mouse down X Y ...", up to the blank line.
        commands=$(sed -n '/^Commands/,/^$/p' <<<"$help" | sed -n 's/^  \([a-z-]*\( down\| up\)\?\) .*/\1/p')
        [ "$(wc -l <<<"$commands")" -ge 10 ] || fail "$name: commands not found in --help"
        while read -r command; do
            section "$page" COMMANDS | grep -q "^\\\\fB$command\\\\fR" ||
                fail "$name: command '$command' not under COMMANDS"
        done <<<"$commands"
    fi
done

[ "$failures" = 0 ] && echo "manual pages: all checks passed"
exit $((failures > 0))
