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

fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
is_png() { [ "$(head -c 4 "$1" | od -An -tx1 | tr -d ' ')" = 89504e47 ]; }

# Limits: the longest wait, the largest script (16 MiB passes, one byte more does not).
check wait-limit 2 "-:2: duration '3600001s' is over the limit of 1000 hours (3600000s)" 'wait 1s\nwait 3600001s\n' --
check script-limit 2 "zt30-headless: '/dev/zero' is over the 16 MiB limit of a script" "" -- /dev/zero
head -c $((16 << 20)) /dev/zero | tr '\0' ' ' >blank.zts
check script-at-limit 0 "" "" -- blank.zts
err=$({ cat blank.zts; echo; } | "$bin" 2>&1 >/dev/null)
code=$?
[ "$code" = 2 ] && [ "$err" = "zt30-headless: standard input is over the 16 MiB limit of a script" ] ||
    fail "stdin-limit: exit $code, $err"
rm -f blank.zts

# A byte-order mark at the start is no part of the first command.
check byte-order-mark 0 "" '\xEF\xBB\xBFprobe 7 8\n' --
grep -qx '7 8 0x[0-9A-F]\{8\}' out.txt || fail "probe after a byte-order mark: $(cat out.txt)"

# File names: quoted with blanks, quotes and backslashes; '#' inside a word is no comment.
check quoted-names 0 "" 'shot "my shot.png" 2\ndump "say \\"hi\\" \\\\ #1.raw"\nshot a#b.png # comment\n' --
is_png "my shot.png" && is_png 'a#b.png' && [ "$(wc -c <'say "hi" \ #1.raw')" = 81920 ] ||
    fail "quoted names: $(ls)"
check control-in-name 2 "-:1: control character in file name 'a\x01b.png'" 'shot "a\001b.png"\n' --

# Files appear whole or not at all: nothing is left beside them; a pipe, /dev/stdout and the target of a
# link are written through, never replaced.
mkfifo pipe
cat pipe >from-pipe.raw &
check into-pipe 0 "" 'dump pipe\n' --
wait
[ -p pipe ] && [ "$(wc -c <from-pipe.raw)" = 81920 ] || fail "dump into a pipe"
printf 'dump /dev/stdout\n' | "$bin" >stdout.raw
[ -L /dev/stdout ] && [ "$(wc -c <stdout.raw)" = 81920 ] || fail "dump to /dev/stdout"
echo old >real.png
ln -s real.png link.png
check through-link 0 "" 'shot link.png\n' --
[ -L link.png ] && is_png real.png || fail "shot through a link"
[ -z "$(ls -A | grep '^\.')" ] || fail "temporary files left: $(ls -A)"

# On a terminal with no script, a hint that commands come from standard input.
if command -v script >/dev/null; then
    printf 'probe 1 1\n\004' | script -qec "'$bin' 2>tty.err" /dev/null >tty.out
    [ "$(cat tty.err)" = "zt30-headless: reading commands from standard input, end with Ctrl-D (--help lists them)" ] &&
        grep -q '^1 1 0x' tty.out || fail "terminal hint: $(cat tty.err)"
else
    echo "note: 'script' not found, terminal hint not checked"
fi

# Ctrl-C stops a long wait at once, with exit status 130. (Sent again until it lands: a signal that comes
# before the program is ready is lost.)
printf 'wait 3600000s\n' >long.zts
"$bin" long.zts 2>int.err &
pid=$!
for _ in $(seq 50); do
    sleep 0.1
    kill -INT "$pid" 2>/dev/null || break
done
if kill -0 "$pid" 2>/dev/null; then
    kill -KILL "$pid"
    fail "Ctrl-C did not stop a long wait"
fi
wait "$pid"
code=$?
[ "$code" = 130 ] && [ "$(cat int.err)" = "long.zts:1: interrupted" ] || fail "Ctrl-C: exit $code, $(cat int.err)"

[ "$failures" -eq 0 ] && echo "all headless command-line checks passed"
exit $((failures != 0))
