#!/usr/bin/env bash
# The progress line from the outside, on a pseudo-terminal (script, from util-linux): zt30-headless shows
# it once a run has taken 2 s, zt30-soak from the start; neither with --quiet, nor when standard error is
# not a terminal, nor ever on standard output. Ctrl-C ends either with exit status 130 and how far it got,
# on a line of its own. Nothing here waits for a set time: a line is waited for until it shows, and the
# 2 s are known to be over when the program has used 3 s of processor time.
# Usage: progress.sh PATH/TO/zt30-headless PATH/TO/zt30-soak SCRATCH_DIR
set -u
headless=$1 soak=$2 dir=$3
if ! command -v script >/dev/null; then
    echo "skipped: needs script (util-linux) for a pseudo-terminal"
    exit 77
fi
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}
CLEAR=$'\r\e\\[K' # what takes the line off, as a regular expression

# on_tty NAME COMMAND: runs the shell COMMAND on a pseudo-terminal in the background. The terminal's
# screen goes to NAME.tty; keys go in through file descriptor 3. The program writes its process id to
# NAME.pid when COMMAND starts with `echo $$ >NAME.pid; exec`.
on_tty() {
    rm -f "$1.keys" "$1.pid"
    mkfifo "$1.keys"
    script -qfec "$2" /dev/null <"$1.keys" >"$1.tty" 2>&1 &
    tty_pid=$!
    exec 3>"$1.keys"
}

# finish: waits for the program on the terminal to end; its exit status in $code.
finish() {
    wait "$tty_pid"
    code=$?
    exec 3>&-
}

# shows FILE REGEX: waits until the screen shows REGEX; false when the program ends first.
shows() {
    for _ in $(seq 1200); do
        grep -aqE "$2" "$1" && return 0
        kill -0 "$tty_pid" 2>/dev/null || break
        sleep 0.1
    done
    grep -aqE "$2" "$1"
}

# busy NAME: waits until the program of NAME has used 3 s of processor time, and so at least as much
# wall time; false when it ends first.
busy() {
    local ticks pid stat
    ticks=$(getconf CLK_TCK)
    for _ in $(seq 1200); do
        [ -s "$1.pid" ] && break
        sleep 0.1
    done
    pid=$(cat "$1.pid")
    while read -ra stat <"/proc/$pid/stat" 2>/dev/null; do
        ((stat[13] + stat[14] >= 3 * ticks)) && return 0
        sleep 0.1
    done
    return 1
}

# zt30-headless: the line comes after 2 s; standard output holds the probe line alone; Ctrl-C takes the
# line off and says where the run was.
printf 'probe 0 0\nwait 3600000s\n' >long.zts
on_tty shown "exec '$headless' long.zts >shown.out"
shows shown.tty "long\.zts: [0-9]+:[0-5][0-9]:[0-5][0-9] of 1000:00:00 simulated, [0-9,.]+x real time, [0-9:]+ left" ||
    fail "headless: no progress line: $(cat -v shown.tty)"
printf '\003' >&3
finish
[ "$code" = 130 ] || fail "headless Ctrl-C: exit $code"
grep -aqE "${CLEAR}long\.zts:2: interrupted at [0-9]+:[0-5][0-9]:[0-5][0-9] of 1000:00:00 simulated" shown.tty ||
    fail "headless Ctrl-C: $(cat -v shown.tty | tail -c 300)"
grep -qx '0 0 0x[0-9A-F]\{8\}' shown.out && [ "$(wc -l <shown.out)" = 1 ] ||
    fail "headless: standard output: $(cat -v shown.out)"

# No line with --quiet, however long the run. (Standard error in a file is the unit tests' and the
# command-line test's.)
on_tty quiet "echo \$\$ >quiet.pid; exec '$headless' --quiet long.zts"
busy quiet || fail "headless --quiet: ended early: $(cat -v quiet.tty)"
printf '\003' >&3
finish
[ "$code" = 130 ] && ! grep -aq 'real time' quiet.tty || fail "headless --quiet: exit $code: $(cat -v quiet.tty)"

# zt30-soak: the line from the start, drawn again after the hour's line; the summary on a clean line, and
# not one allocation while the line was drawn.
on_tty soak "exec '$soak' --seed 17 --duration 1h"
finish
[ "$code" = 0 ] || fail "soak: exit $code: $(cat -v soak.tty | tail -c 500)"
grep -aqF "zt30-soak: 0:00:00 of 1:00:00 simulated, 0 frames, 0 inputs" soak.tty || fail "soak: no first line"
grep -aqE "${CLEAR}zt30-soak: 1:00:00\.000: " soak.tty && grep -aqF "zt30-soak: 1:00:00 of 1:00:00 simulated," soak.tty ||
    fail "soak: the hour: $(cat -v soak.tty | head -c 600)"
grep -aqE "${CLEAR}zt30-soak: passed: .* 0 allocations after start-up" soak.tty ||
    fail "soak: summary: $(grep -a passed soak.tty | cat -v)"

for how in quiet file; do
    if [ $how = quiet ]; then
        on_tty soak-$how "exec '$soak' --seed 17 --duration 90s --quiet"
    else
        on_tty soak-$how "exec '$soak' --seed 17 --duration 90s 2>soak-$how.err"
    fi
    finish
    [ "$code" = 0 ] && grep -aq "zt30-soak: passed: " soak-$how.tty || fail "soak $how: exit $code"
    ! grep -aq ' simulated,' soak-$how.tty soak-$how.err 2>/dev/null ||
        fail "soak $how: a progress line: $(cat -v soak-$how.tty)"
done
[ ! -s soak-file.err ] || fail "soak: standard error: $(cat soak-file.err)"

on_tty soak-stop "exec '$soak' --seed 17 --duration 100h"
shows soak-stop.tty "zt30-soak: [0-9:]+ of 100:00:00 simulated" || fail "soak Ctrl-C: no progress line"
printf '\003' >&3
finish
[ "$code" = 130 ] || fail "soak Ctrl-C: exit $code"
stopped="zt30-soak: interrupted at [0-9:.]+ of 100:00:00.000 simulated \(seed 17\): [0-9]+ frames and [0-9]+"
grep -aqE "${CLEAR}$stopped input events checked, no invariant broken" soak-stop.tty || fail "soak Ctrl-C: $(cat -v soak-stop.tty | tail -c 300)"

[ "$failures" = 0 ] && echo "progress line: all checks passed"
exit $((failures > 0))
