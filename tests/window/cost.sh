#!/usr/bin/env bash
# What keeps the window cheap, counted by the window itself (its tick statistics, printed on SIGUSR2)
# over a few seconds of each state, per 10 ms tick run: a still screen wakes at each 100 ms tick and
# reads the display connection a few times a second; a moving one shows one picture per refresh and
# sends only the bands that changed; a hidden one wakes once a second. Every tick still runs.
# Usage: cost.sh ZT30-SIM ZT30-XCLOSE SCRATCH-DIR
SIM=$1
XCLOSE=$2
OUT=$3
source "$(dirname "$0")/lib.sh"

# counts: the numbers of the last statistics line, as "ticks sleeps reads pictured updates pixels".
counts() {
    tail -n 1 stats.log | sed -n 's/.*: \([0-9]*\) ticks of 10 ms.*; \([0-9]*\) sleeps, \([0-9]*\) reads of the display connection, \([0-9]*\) frames pictured, \([0-9]*\) screen updates, \([0-9]*\) pixels sent$/\1 \2 \3 \4 \5 \6/p'
}
# over LABEL SECONDS: the counts of SECONDS in the present state, as D_TICKS, D_SLEEPS, ...
over() {
    local a b n=$(wc -l <stats.log)
    kill -USR2 "$SIM_PID"
    until_true 2 eval '[ "$(wc -l <stats.log)" -gt '"$n"' ]' || fail "$1: no statistics on SIGUSR2"
    read -r -a a <<<"$(counts)"
    sleep "$2"
    kill -USR2 "$SIM_PID"
    until_true 2 eval '[ "$(wc -l <stats.log)" -gt '"$((n + 1))"' ]' || fail "$1: no statistics on SIGUSR2"
    read -r -a b <<<"$(counts)"
    [ "${#a[@]}" -eq 6 ] && [ "${#b[@]}" -eq 6 ] || fail "$1: unreadable statistics: $(tail -n 2 stats.log)"
    D_TICKS=$((b[0] - a[0])) D_SLEEPS=$((b[1] - a[1])) D_READS=$((b[2] - a[2]))
    D_PICTURED=$((b[3] - a[3])) D_UPDATES=$((b[4] - a[4])) D_PIXELS=$((b[5] - a[5]))
    echo "$1: $D_TICKS ticks, $D_SLEEPS sleeps, $D_READS reads, $D_PICTURED frames pictured, $D_UPDATES updates, $D_PIXELS pixels"
    [ "$D_TICKS" -gt 100 ] || fail "$1: only $D_TICKS ticks ran"
}
# at_most WHAT COUNT PERCENT: COUNT is at most PERCENT % of the ticks that ran.
at_most() { [ $(($2 * 100)) -le $(($3 * D_TICKS)) ] || fail "$1: $2 for $D_TICKS ticks (at most $3 %)"; }

start_xvfb 640x640
"$SIM" >sim.log 2>stats.log &
SIM_PID=$!
until_true 5 eval 'WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1); [ -n "$WID" ]' ||
    fail "no window"
until_true 3 on_clock || fail "no CLOCK"

# Still: the brightness screen.
xdotool mousemove --window "$WID" 340 220 mousedown 1 && sleep 1.5 && xdotool mouseup 1 || fail "hold"
until_true 2 brightness_bar 30 || fail "no brightness screen"
sleep 1
over still 3
at_most "still: sleeps" "$D_SLEEPS" 15
at_most "still: reads of the connection" "$D_READS" 10
[ "$D_PICTURED" -eq 0 ] && [ "$D_UPDATES" -eq 0 ] || fail "still: the picture changed"

# Moving: ATTITUDE in DEMO 1 (OK closes the brightness screen; left twice from CLOCK).
for x in 340 120 120; do
    click "$x" 220
    sleep 0.3
done
sleep 1
over moving 3
at_most "moving: screen updates" "$D_UPDATES" 55
at_most "moving: sleeps" "$D_SLEEPS" 60
at_most "moving: reads of the connection" "$D_READS" 10
[ $((D_UPDATES * 4)) -ge "$D_TICKS" ] || fail "moving: only $D_UPDATES screen updates: is it ATTITUDE?"
# The horizon's changes lie in narrow bands: well under half the rectangle around them (128 x 136).
[ $((D_PIXELS / D_UPDATES)) -lt 8000 ] || fail "moving: $((D_PIXELS / D_UPDATES)) pixels per update"

# Hidden.
xdotool windowunmap "$WID" || fail "unmap"
sleep 1.5
over hidden 3
at_most "hidden: sleeps" "$D_SLEEPS" 3
[ "$D_UPDATES" -eq 0 ] || fail "hidden: $D_UPDATES screen updates"

"$XCLOSE" "$WID"
sim_ends 0 "the window was closed"
echo "window cost test passed"
