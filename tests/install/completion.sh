#!/usr/bin/env bash
# The bash completion of the programs, loaded as bash-completion loads it: options, their values and file
# names; and the options offered are exactly those each program's --help lists.
# Usage: completion.sh COMPLETION_FILE SCRATCH_DIR PROGRAM...
set -u
file=$1 dir=$2
shift 2
framework=/usr/share/bash-completion/bash_completion
if [ ! -r "$framework" ]; then
    echo "skipped: needs bash-completion ($framework)"
    exit 77
fi
rm -rf "$dir" && mkdir -p "$dir/sub" && cd "$dir" || exit 1
touch session.zts long.zts -- -odd.zts
# shellcheck source=/dev/null
source "$framework" && source "$file" || exit 1
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# offered LINE: the completions at the end of LINE, sorted, on one line. The words are split as bash
# splits them: at blanks, and around the characters of COMP_WORDBREAKS that the lines here use.
offered() {
    local line=$1 word
    COMP_WORDS=()
    for word in $line; do
        while [[ $word =~ ^([^:=@]*)([:=@])(.*)$ ]]; do
            [ -n "${BASH_REMATCH[1]}" ] && COMP_WORDS+=("${BASH_REMATCH[1]}")
            COMP_WORDS+=("${BASH_REMATCH[2]}")
            word=${BASH_REMATCH[3]}
        done
        [ -n "$word" ] && COMP_WORDS+=("$word")
    done
    [[ $line == *" " || $line == *[:=@] ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMP_LINE=$line
    COMP_POINT=${#line}
    COMPREPLY=()
    local fn
    fn=$(complete -p "${COMP_WORDS[0]}" | sed -n 's/.*-F \([^ ]*\) .*/\1/p')
    "$fn" "${COMP_WORDS[0]}" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}" 2>/dev/null
    printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ' | sed 's/ $//'
}

# expect LINE WANT: the completions at the end of LINE are WANT (sorted, space-separated).
expect() {
    local got
    got=$(offered "$1")
    [ "$got" = "$2" ] || fail "'$1': offered '$got', want '$2'"
}

expect "zt30-sim --sc" "--scale"
expect "zt30-sim --scale " "1 2 3 4"
expect "zt30-sim --scale=" "1 2 3 4"
expect "zt30-sim --record s" "session.zts sub"
expect "zt30-sim --version " ""
expect "zt30-sim --live " "flightgear: udp: xplane"
expect "zt30-sim --live f" "flightgear:"
expect "zt30-sim --live udp:" ""
expect "zt30-headless " "-odd.zts long.zts session.zts sub"
expect "zt30-headless --q" "--quiet"
expect "zt30-headless -- -" "-odd.zts"
expect "zt30-headless --local-time 1x" ""
expect "zt30-soak --plant " "alloc@ hang@ setting@"
expect "zt30-soak --plant h" "hang@"
expect "zt30-soak --duration 1" "100h 10m 1h"
expect "zt30-soak --seed " ""
expect "zt30-soak --script l" "long.zts"
# The machine's time of day, which the runner reads without the option (unless the minute turns).
now=$(offered "zt30-headless --local-time ")
[[ $now =~ ^[0-2][0-9]:[0-5][0-9]:[0-5][0-9]$ ]] || fail "--local-time offered '$now'"

# The options offered for "-" against those --help lists.
for program in "$@"; do
    name=$(basename "$program")
    listed=$("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u | tr '\n' ' ' | sed 's/ $//')
    got=$(offered "$name -" | tr ' ' '\n' | grep -vx -- -- | tr '\n' ' ' | sed 's/ $//')
    [ -n "$listed" ] && [ "$got" = "$listed" ] || fail "$name: completes '$got', --help lists '$listed'"
done

[ "$failures" = 0 ] && echo "bash completion: all checks passed"
exit $((failures > 0))
