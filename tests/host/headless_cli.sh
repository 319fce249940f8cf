#!/usr/bin/env bash
# The zt30-headless executable from the outside: exit codes and the one-line messages of every error path.
# Usage: headless_cli.sh PATH/TO/zt30-headless SCRATCH_DIR
set -u
bin=$1
dir=$2
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
failures=0

# check NAME WANT_CODE WANT_STDERR STDIN -- ARGS...: runs the program, compares exit code and standard error.
check() {
    local name=$1 want_code=$2 want_err=$3 input=$4
    shift 5
    local err code
    err=$(printf '%b' "$input" | "$bin" "$@" 2>&1 >out.txt)
    code=$?
    if [ "$code" != "$want_code" ] || [ "$err" != "$want_err" ]; then
        echo "FAIL $name: exit $code (want $want_code), stderr:"
        echo "  got:  $err"
        echo "  want: $want_err"
        failures=$((failures + 1))
    fi
}

printf 'wait 20ms\nprobe 0 0\n' >good.zts
printf 'wait 20ms\n\nclick middle\n' >bad.zts
printf 'wait 20ms\nshot nodir/x.png\n' >unwritable.zts

check help 0 "" "" -- --help
grep -q '^Usage: zt30-headless \[--local-time HH:MM:SS\] \[SCRIPT\]$' out.txt || { echo "FAIL help text"; failures=$((failures + 1)); }
check version 0 "" "" -- --version
grep -q '^zt30-headless [0-9]' out.txt || { echo "FAIL version text"; failures=$((failures + 1)); }
check script-file 0 "" "" -- good.zts
grep -qx '0 0 0x[0-9A-F]\{8\}' out.txt || { echo "FAIL probe output: $(cat out.txt)"; failures=$((failures + 1)); }
check stdin 0 "" 'probe 1 2\n' --
grep -qx '1 2 0x[0-9A-F]\{8\}' out.txt || { echo "FAIL probe from stdin: $(cat out.txt)"; failures=$((failures + 1)); }
check local-time 0 "" 'wait 1s\n' -- --local-time 23:59:59 -
check local-time-equals 0 "" 'wait 1s\n' -- --local-time=0:00:00
check dash-dash 0 "" 'probe 5 6\n' -- -- -
grep -qx '5 6 0x[0-9A-F]\{8\}' out.txt || { echo "FAIL probe after --: $(cat out.txt)"; failures=$((failures + 1)); }

check unknown-option 2 "zt30-headless: unknown option '--fast' (see --help)" "" -- --fast good.zts
check short-option 2 "zt30-headless: unknown option '-x' (see --help)" "" -- -x good.zts
check no-local-time 2 "zt30-headless: --local-time needs a value HH:MM:SS" "" -- --local-time
check bad-local-time 2 "zt30-headless: bad --local-time '12:5:00' (HH:MM:SS, hours 0-23)" "" -- --local-time 12:5:00
check missing-script 2 "zt30-headless: cannot read 'nope.zts': No such file or directory" "" -- nope.zts
check directory-script 2 "zt30-headless: cannot read '.': Is a directory" "" -- .
check two-scripts 2 "zt30-headless: more than one script given ('good.zts' and 'bad.zts')" "" -- good.zts bad.zts
check bad-line 2 "bad.zts:3: unknown button 'middle' (view, left, right or both)" "" -- bad.zts
check bad-line-stdin 2 "-:1: bad duration '5' (a whole number followed by ms or s, e.g. 10ms or 2s)" 'wait 5\n' -- -
check probe-outside 2 "-:2: Y 160 is outside the frame (0-159)" '# x\nprobe 0 160\n' --
# Whatever the page shows at (3, 4), expecting that colour with its lowest bit flipped must fail.
got=$(printf 'wait 10ms\nprobe 3 4\n' | "$bin" | cut -d' ' -f3)
other=$(printf '0x%08X' $((got ^ 1)))
check expect-passes 0 "" "wait 10ms\nexpect 3 4 $got\n" --
check expect-fails 3 "-:2: expected $other at (3, 4), got $got" "wait 10ms\nexpect 3 4 $other\nprobe 0 0\n" --
[ ! -s out.txt ] || { echo "FAIL lines after a failed expect ran"; failures=$((failures + 1)); }
check unwritable 1 "unwritable.zts:2: cannot write 'nodir/x.png': No such file or directory" "" -- unwritable.zts
check disk-full 1 "-:1: cannot write '/dev/full': No space left on device" 'dump /dev/full\n' --
# Nothing runs when a later line is bad: the shot on line 1 must not appear.
check checked-first 2 "-:2: unknown command 'explode' (see --help)" 'shot early.png\nexplode\n' --
[ ! -e early.png ] || { echo "FAIL a script with a bad line ran"; failures=$((failures + 1)); }
# Probe output that cannot be written is a write failure too.
err=$(printf 'probe 0 0\n' | "$bin" 2>&1 >/dev/full)
code=$?
if [ "$code" != 1 ] || [ "$err" != "zt30-headless: cannot write standard output: No space left on device" ]; then
    echo "FAIL stdout-full: exit $code, $err"
    failures=$((failures + 1))
fi

[ "$failures" -eq 0 ] && echo "all headless command-line checks passed"
exit $((failures != 0))
