#!/usr/bin/env bash
# Every way the window ends, with a recording running: a failed start leaves an old file as it was; each
# signal and a lost X connection (the server killed under the window, or its connection killed by another
# client) complete the recording, say so in one line and exit with their status; standard output whose
# reader goes away stops the recording but not the window. Then zoom at the edge of the screen.
# Usage: endings.sh ZT30-SIM ZT30-XCLOSE ZT30-HEADLESS SCRATCH-DIR
SIM=$1
XCLOSE=$2
HEADLESS=$3
OUT=$4
source "$(dirname "$0")/lib.sh"
MAIN_XVFB=""
trap 'kill $SIM_PID $XVFB_PID $MAIN_XVFB 2>/dev/null; wait 2>/dev/null' EXIT

# replays FILE: the recording is complete and ends on the frame the window showed.
replays() {
    grep -q '^# end of the recorded session$' "$1" || fail "$1 is not complete"
    "$HEADLESS" "$1" >replay.log 2>&1 || grep -q '^# the window skipped' "$1" ||
        fail "the replay of $1 exited $?: $(cat replay.log)"
}
# last_line_is TEXT: the window's last line (a stall on a busy machine may add that the replay is inexact).
last_line_is() {
    local last
    last=$(tail -n 1 sim.log)
    [ "${last% (inexact: the window dropped ticks after a stall)}" = "$1" ] || fail "last line '$last', not '$1'"
}

# A start that fails (no display) leaves the old file as it was and no new one; the message names the
# display it tried, and nothing else is printed (no stray line from the Wayland library either).
echo "old recording" >keep.zts
for num in $(seq 150 400); do [ -e "/tmp/.X11-unix/X$num" ] || break; done
env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY DISPLAY=":$num" timeout 10 "$SIM" --record keep.zts >start.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && [ "$(cat start.log)" = "zt30-sim: cannot open a window: cannot reach the X display ':$num'" ] ||
    fail "with an unreachable display: exit $rc: $(cat start.log)"
env -u XDG_RUNTIME_DIR -u WAYLAND_DISPLAY -u DISPLAY timeout 10 "$SIM" --record new.zts >start.log 2>&1
[ "$(cat start.log)" = "zt30-sim: cannot open a window: no display (DISPLAY is not set)" ] ||
    fail "without a display: $(cat start.log)"
[ "$(cat keep.zts)" = "old recording" ] || fail "a failed start changed the old recording"
[ "$(ls -A | grep -c zts)" -eq 1 ] || fail "a failed start left files: $(ls -A)"

start_xvfb 1920x1200
MAIN_XVFB=$XVFB_PID MAIN_DISPLAY=$DISPLAY

# Each signal: the recording complete in its file, one line, exit status 128 + the signal. The old file
# of that name is replaced only then.
for sig in HUP INT QUIT TERM USR1; do
    echo "old recording" >"$sig.zts"
    start_sim --record "$sig.zts"
    until_true 3 on_clock || fail "SIG$sig: no CLOCK"
    click 340 220
    until_true 2 on_run_time || fail "SIG$sig: no RUN TIME"
    [ "$(cat "$sig.zts")" = "old recording" ] || fail "the old $sig.zts was replaced before the end"
    kill -"$sig" "$SIM_PID"
    sim_ends $((128 + $(kill -l "$sig"))) "SIG$sig"
    last_line_is "zt30-sim: ended by SIG$sig; the recording is complete in $sig.zts"
    replays "$sig.zts"
done

# The X server killed under the window: the recording is completed from the handler of the lost
# connection, exit status 1.
start_xvfb 640x640
start_sim --record lost.zts
until_true 3 on_clock || fail "lost connection: no CLOCK"
kill "$XVFB_PID"
wait "$XVFB_PID" 2>/dev/null
XVFB_PID=$MAIN_XVFB
export DISPLAY=$MAIN_DISPLAY
sim_ends 1 "the X server was killed"
last_line_is "zt30-sim: the X connection was lost; the recording is complete in lost.zts"
replays lost.zts
# ... and the window's connection killed by another client.
start_sim --record killed.zts
until_true 3 on_clock || fail "killed connection: no CLOCK"
xdotool windowkill "$WID" || fail "windowkill"
sim_ends 1 "the connection was killed"
last_line_is "zt30-sim: the X connection was lost; the recording is complete in killed.zts"
replays killed.zts

# Standard output whose reader goes away: one line, and the window runs on until it is closed.
"$SIM" --record - 2>sim.log > >(head -c 10 >head.out) &
SIM_PID=$!
until_true 5 eval 'WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1); [ -n "$WID" ]' ||
    fail "no window recording on standard output"
until_true 3 on_clock || fail "closed pipe: no CLOCK"
until_true 3 grep -qx "zt30-sim: the recording's reader went away; the window runs on without recording" sim.log ||
    fail "no word of the reader going away: $(cat sim.log)"
click 340 220
until_true 2 on_run_time || fail "the window did not run on after its reader went away"
"$XCLOSE" "$WID" || fail "could not ask the window to close"
sim_ends 1 "closed after the reader went away"
last_line_is "zt30-sim: the window was closed; the recording's reader went away before its end"

# Zoom in near the bottom of the screen: the window grows and moves back up onto the screen.
start_sim
xdotool windowmove "$WID" 735 325 || fail "windowmove"
position() { xwininfo -id "$WID" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 } END { print x "," y }'; }
until_true 2 eval '[ "$(position)" = 735,325 ]' || fail "the window did not move to 735,325: $(position)"
xdotool windowfocus "$WID"
xdotool key ctrl+plus
until_true 3 size_is 900x1100 || fail "Ctrl+plus: window $(client_size), not 900x1100"
until_true 2 eval '[ "$(position)" = 735,100 ]' || fail "the zoomed window is at $(position), not 735,100"
"$XCLOSE" "$WID"
sim_ends 0 "the window was closed"
echo "endings test passed"
