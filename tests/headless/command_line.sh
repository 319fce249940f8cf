#!/usr/bin/env bash
# The zt30-headless executable from the outside: options, exit codes and messages of the program itself,
# its limits, how it writes files, the terminal hint and Ctrl-C. (The script language has unit tests.)
# Usage: headless_cli.sh PATH/TO/zt30-headless SCRATCH_DIR
set -u
bin=$1
dir=$2
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# check NAME WANT_CODE WANT_STDERR STDIN [ARGS...]: exit code and standard error; standard output in out.txt.
check() {
    local name=$1 want_code=$2 want_err=$3 input=$4 err code
    shift 4
    err=$(printf '%b' "$input" | "$bin" "$@" 2>&1 >out.txt)
    code=$?
    [ "$code" = "$want_code" ] && [ "$err" = "$want_err" ] ||
        fail "$name: exit $code (want $want_code), stderr: $err (want: $want_err)"
}
out_is() { grep -qx -- "$2" out.txt || fail "$1 output: $(head -c 300 out.txt)"; }
is_png() { [ "$(head -c 4 "$1" | od -An -tx1 | tr -d ' ')" = 89504e47 ]; }

printf 'wait 20ms\nprobe 0 0\n' >good.zts
printf 'wait 20ms\n\nclick middle\n' >bad.zts
check help 0 "" "" --help
out_is help 'Usage: zt30-headless \[--local-time HH:MM:SS\] \[--quiet\] \[SCRIPT\]'
check version 0 "" "" --version
out_is version 'zt30-headless [0-9].*'
check version-extra 2 "zt30-headless: unexpected argument 'extra' after --version" "" --version extra
check help-extra 2 "zt30-headless: unexpected argument '--foo' after --help" "" --help --foo
check script-file 0 "" "" good.zts
out_is script-file '0 0 0x[0-9A-F]\{8\}'
cp good.zts ./-dash.zts
check dash-dash 0 "" "" -- -dash.zts
out_is dash-dash '0 0 0x[0-9A-F]\{8\}'
check dash-dash-version 2 "zt30-headless: cannot read '--version': No such file or directory" "" -- --version
check unknown-option 2 "zt30-headless: unknown option '--fast' (see --help)" "" --fast good.zts
check no-local-time 2 "zt30-headless: --local-time needs a value HH:MM:SS" "" --local-time
check bad-local-time 2 "zt30-headless: bad --local-time '12:5:00' (HH:MM:SS, hours 0-23)" "" --local-time 12:5:00
check missing-script 2 "zt30-headless: cannot read 'nope.zts': No such file or directory" "" nope.zts
check directory-script 2 "zt30-headless: cannot read '.': Is a directory" "" .
check two-scripts 2 "zt30-headless: more than one script given ('good.zts' and 'bad.zts')" "" good.zts bad.zts
check bad-line 2 "bad.zts:3: unknown button 'middle' (view, left, right or both)" "" bad.zts
err=$(printf 'probe 0 0\n' | "$bin" 2>&1 >/dev/full)
code=$?
[ "$code" = 1 ] && [ "$err" = "zt30-headless: cannot write standard output: No space left on device" ] ||
    fail "stdout-full: exit $code, $err"

# The largest script: 16 MiB passes, one byte more does not.
check script-limit 2 "zt30-headless: '/dev/zero' is over the 16 MiB limit of a script" "" /dev/zero
head -c $((16 << 20)) /dev/zero | tr '\0' ' ' >blank.zts
check script-at-limit 0 "" "" blank.zts
err=$({ cat blank.zts; echo; } | "$bin" 2>&1 >/dev/null)
code=$?
[ "$code" = 2 ] && [ "$err" = "zt30-headless: standard input is over the 16 MiB limit of a script" ] ||
    fail "stdin-limit: exit $code, $err"
rm -f blank.zts

# Files appear whole or not at all: nothing is left beside them; a pipe, /dev/stdout and the target of a
# link are written through, never replaced.
mkfifo pipe
timeout 10 cat pipe >from-pipe.raw &
check into-pipe 0 "" 'dump pipe\n'
wait
[ -p pipe ] && [ "$(wc -c <from-pipe.raw)" = 81920 ] || fail "dump into a pipe"
printf 'dump /dev/stdout\n' | "$bin" >stdout.raw
[ -L /dev/stdout ] && [ "$(wc -c <stdout.raw)" = 81920 ] || fail "dump to /dev/stdout"
echo old >real.png
ln -s real.png link.png
check through-link 0 "" 'shot link.png\n'
[ -L link.png ] && is_png real.png || fail "shot through a link"
[ -z "$(ls -A | grep '^\.')" ] || fail "temporary files left: $(ls -A)"

# On a terminal with no script, a hint that commands come from standard input.
printf 'probe 1 1\n\004' | script -qec "'$bin' 2>tty.err" /dev/null >tty.out
[ "$(cat tty.err)" = "zt30-headless: reading commands from standard input, end with Ctrl-D (--help lists them)" ] &&
    grep -q '^1 1 0x' tty.out || fail "terminal hint: $(cat tty.err)"

# Ctrl-C stops a long wait at once, with exit status 130. (Sent again until it lands: a signal that comes
# before the program is ready is lost.)
printf 'wait 3600000s\n' >long.zts
"$bin" long.zts 2>int.err &
pid=$!
for _ in $(seq 50); do
    sleep 0.1
    kill -INT "$pid" 2>/dev/null || break
done
kill -0 "$pid" 2>/dev/null && kill -KILL "$pid"
wait "$pid"
code=$?
[ "$code" = 130 ] && [[ $(cat int.err) =~ ^"long.zts:1: interrupted at "[0-9]+:[0-5][0-9]:[0-5][0-9]" of 1000:00:00 simulated"$ ]] ||
    fail "Ctrl-C: exit $code, $(cat int.err)"

# A closed terminal (SIGHUP) or SIGQUIT in the middle of writing pictures: the file being written is
# finished or never appears, nothing is left beside it, exit status 128 + the signal.
for sig in HUP QUIT; do
    for _ in $(seq 400); do echo 'shot big.png 8'; done >shots.zts
    "$bin" shots.zts 2>sig.err &
    pid=$!
    sleep 0.3
    kill -"$sig" "$pid"
    wait "$pid"
    code=$?
    want=$((128 + $(kill -l "$sig")))
    [ "$code" = "$want" ] && grep -q '^shots.zts:[0-9]*: interrupted at [0-9:]* of [0-9:]* simulated$' sig.err ||
        fail "SIG$sig during shots: exit $code (want $want), $(cat sig.err)"
    [ -z "$(ls -A | grep '^\.')" ] || fail "SIG$sig left temporary files: $(ls -A)"
    rm -f big.png
done

# Ctrl-C while waiting for a pipe's reader to appear is the interrupt it is: exit status 130.
mkfifo lonely
printf 'dump lonely\n' >lonely.zts
"$bin" lonely.zts 2>lonely.err &
pid=$!
sleep 0.3
kill -INT "$pid"
wait "$pid"
code=$?
[ "$code" = 130 ] && [ "$(cat lonely.err)" = "lonely.zts:1: interrupted at 0:00:00 of 0:00:00 simulated" ] ||
    fail "Ctrl-C on a pipe without a reader: exit $code, $(cat lonely.err)"

# A long file name is cut in the middle of its error line; so is the script's own name.
long=$(printf 'a%.0s' $(seq 5000))
check long-name 1 "-:1: cannot write '${long:0:28}...${long:0:25}.png': File name too long" \
    "shot $long.png\n"
long_dir=$(printf 'd%.0s' $(seq 200))
mkdir "$long_dir" && printf 'click middle\n' >"$long_dir/bad.zts"
check long-script 2 "${long_dir:0:28}...${long_dir:0:21}/bad.zts:1: unknown button 'middle' (view, left, right or both)" \
    "" "$long_dir/bad.zts"

[ "$failures" -eq 0 ] && echo "all headless command-line checks passed"
exit $((failures != 0))
