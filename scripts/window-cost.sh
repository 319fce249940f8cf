#!/usr/bin/env bash
# What the simulator window costs, on a private Xvfb: the share of one core it uses (the CPU time of all
# its threads, from /proc/PID/task/*/schedstat) in each state, the lower of SAMPLES samples of SECONDS
# each, and how soon the first frame is shown after launch (ZT30_TICK_STATS, over LAUNCHES launches).
#   still            the brightness screen: nothing on the screen moves
#   hidden           the same, the window unmapped (as an iconified window is)
#   attitude xN      ATTITUDE in DEMO 1, the horizon moving on every frame, at zoom N
#   hidden attitude  ATTITUDE unmapped: no more than drawing its frames costs
# The machine's other work shows in the figures; run it on a quiet one, or compare two builds in turn.
# Usage: scripts/window-cost.sh [ZT30-SIM] [SECONDS] [SAMPLES]
# Environment: ZOOMS (default "1 2 4"), LAUNCHES (default 5).
set -u
SIM=${1:-build/zt30-sim}
SECONDS_MEASURED=${2:-20}
SAMPLES=${3:-2}
ZOOMS=${ZOOMS:-1 2 4}
LAUNCHES=${LAUNCHES:-5}
TITLE="Tessaro ZT-30 PC Simulator"
for tool in Xvfb xdotool awk; do
    command -v "$tool" >/dev/null || { echo "window-cost: needs $tool" >&2; exit 1; }
done
[ -x "$SIM" ] || { echo "window-cost: no simulator at $SIM" >&2; exit 1; }
SIM=$(realpath "$SIM")
TMP=$(mktemp -d)
XVFB_PID="" SIM_PID=""
stop_sim() {
    [ -n "$SIM_PID" ] || return 0
    kill "$SIM_PID" 2>/dev/null
    wait "$SIM_PID" 2>/dev/null
    SIM_PID=""
}
trap 'stop_sim; [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null; wait 2>/dev/null; rm -rf "$TMP"' EXIT

# A server of our own on a free display number, large enough for zoom 4; it must not reset between clients.
exec 5>"$TMP/display"
Xvfb -displayfd 5 -screen 0 2000x2400x24 -nolisten tcp -noreset >"$TMP/xvfb.log" 2>&1 &
XVFB_PID=$!
exec 5>&-
for _ in $(seq 100); do [ -s "$TMP/display" ] && break; sleep 0.05; done
[ -s "$TMP/display" ] || { echo "window-cost: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(tr -d '\n' <"$TMP/display")"
cd "$TMP" || exit 1

# start ARGS...: the simulator, with WID its window.
start() {
    "$SIM" "$@" >"$TMP/sim.log" 2>&1 &
    SIM_PID=$!
    WID=""
    for _ in $(seq 200); do
        WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1)
        [ -n "$WID" ] && return 0
        sleep 0.05
    done
    echo "window-cost: no window: $(cat "$TMP/sim.log")" >&2
    exit 1
}
# press X Y MS: the left button held on a picture point of a window at zoom Z for MS milliseconds.
press() {
    xdotool mousemove --window "$WID" $(($1 * Z + Z / 2)) $(($2 * Z + Z / 2)) mousedown 1
    sleep "$(awk -v ms="$3" 'BEGIN { print ms / 1000 }')"
    xdotool mouseup 1
    sleep 0.1
}
cpu_ns() { cat /proc/"$SIM_PID"/task/*/schedstat 2>/dev/null | awk '{ t += $1 } END { printf "%.0f\n", t }'; }
# measure LABEL: the lowest share of one core over SAMPLES samples of SECONDS_MEASURED.
measure() {
    local best="" i a b p
    for ((i = 0; i < SAMPLES; ++i)); do
        a=$(cpu_ns)
        sleep "$SECONDS_MEASURED"
        b=$(cpu_ns)
        p=$(awk -v d=$((b - a)) -v s="$SECONDS_MEASURED" 'BEGIN { printf "%.2f", d / 1e7 / s }')
        best=$(awk -v a="$best" -v b="$p" 'BEGIN { print (a == "" || b + 0 < a + 0) ? b : a }')
        printf '  %-16s sample %d: %s %%\n' "$1" $((i + 1)) "$p" >&2
    done
    printf '%-16s %6s %% of one core (lower of %d samples of %d s)\n' "$1" "$best" "$SAMPLES" "$SECONDS_MEASURED"
}

Z=1
start
sleep 2                    # past the splash
press 340 220 1500         # the right soft key held: the brightness screen
sleep 1
measure "still"
xdotool windowunmap "$WID"
sleep 1
measure "hidden"
stop_sim

for Z in $ZOOMS; do
    start --scale "$Z"
    sleep 2
    press 120 220 60       # left twice from CLOCK: SETUP, then ATTITUDE
    press 120 220 60
    sleep 1
    measure "attitude x$Z"
    if [ "$Z" = 1 ]; then
        xdotool windowunmap "$WID"
        sleep 1
        measure "hidden attitude"
    fi
    stop_sim
done

# First frame on screen after launch, as the simulator measures it from its process start.
firsts=""
for ((i = 0; i < LAUNCHES; ++i)); do
    ZT30_TICK_STATS=1 "$SIM" >"$TMP/sim.log" 2>&1 &
    SIM_PID=$!
    sleep 1
    stop_sim
    firsts="$firsts $(sed -n 's/.*first frame shown \([0-9-]*\) ms.*/\1/p' "$TMP/sim.log")"
done
echo "first frame      $(echo "$firsts" | tr -s ' ' | sed 's/^ //; s/ /, /g') ms after launch ($LAUNCHES launches)"
