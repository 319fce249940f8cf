#!/usr/bin/env bash
# zt30-soak from the outside: each planted fault is caught and reported with a replay script that
# zt30-headless runs; bad options get a one-line error and exit 2.
# Usage: soak_cli.sh PATH/TO/zt30-soak PATH/TO/zt30-headless SCRATCH_DIR
set -u
soak=$1
headless=$2
dir=$3
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
failures=0
fail() {
    echo "FAIL $*"
    failures=$((failures + 1))
}

# planted NAME KIND@SECONDS WANT_INVARIANT [OPTIONS...]: the run must fail with that invariant and leave a
# script that replays without error.
planted() {
    local name=$1 plant=$2 want=$3
    shift 3
    "$soak" --seed 3 --duration 5m --plant "$plant" --script "$name.zts" "$@" >"$name.out" 2>&1
    local code=$?
    [ "$code" = 1 ] || fail "$name: exit $code (want 1)"
    grep -q "^zt30-soak: FAILED at .* (seed 3, frame [0-9]*)$" "$name.out" || fail "$name: no FAILED line"
    grep -q "^  invariant: $want" "$name.out" || fail "$name: invariant not reported: $(grep invariant "$name.out")"
    grep -q "^  the last [0-9]* of [0-9]* input events" "$name.out" || fail "$name: no input events"
    grep -q "^  replay: zt30-headless $name.zts$" "$name.out" || fail "$name: no replay line"
    "$headless" "$name.zts" >/dev/null 2>&1 || fail "$name: the replay script does not run"
}
planted setting setting@100 "device_settings.audio_volume = 11, outside 0..10"
planted alloc alloc@100 "heap allocation while running: 1 allocator call(s) since start-up"
planted hang hang@100 "hang: no simulated time passed for 1 s of wall time" --watchdog 1

# The seed comes first, so that even a crash leaves it on the screen; a passing run ends with its summary.
"$soak" --seed 11 --duration 90s >pass.out 2>&1 || fail "pass: exit $?"
head -1 pass.out | grep -qx "zt30-soak: seed 11, 0:01:30.000 of simulated time, local time [0-9:]*" ||
    fail "pass: first line $(head -1 pass.out)"
grep -q "^zt30-soak: passed: 0:01:30.000 of simulated time in .* 9001 frames, .* 0 allocations after start-up$" \
    pass.out || fail "pass: summary $(grep passed pass.out)"
[ ! -e soak-failure-11.zts ] || fail "pass: wrote a replay script"

check() {
    local want=$1
    shift
    local err
    err=$("$soak" "$@" 2>&1 >/dev/null)
    local code=$?
    [ "$code" = 2 ] && [ "$err" = "$want" ] || fail "options $*: exit $code, '$err' (want 2, '$want')"
}
check "zt30-soak: unknown option '--fast' (see --help)" --fast
check "zt30-soak: --seed needs a value (see --help)" --seed
check "zt30-soak: bad --seed 'x1' (a whole number)" --seed x1
check "zt30-soak: bad --duration '101h' (a whole number followed by s, m or h, at most 100h)" --duration 101h
check "zt30-soak: bad --duration '0s' (a whole number followed by s, m or h, at most 100h)" --duration 0s
check "zt30-soak: bad --watchdog '-1' (seconds, 0-86400)" --watchdog -1
check "zt30-soak: bad --plant 'crash@5' (setting, alloc or hang, then @SECONDS)" --plant crash@5
"$soak" --help | grep -q '^Usage: zt30-soak ' || fail "help"

[ "$failures" = 0 ] && echo "soak command line: all checks passed"
exit $((failures > 0))
