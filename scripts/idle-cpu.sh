#!/usr/bin/env bash
# Measures what the simulator window costs while nothing changes: the share of one core it uses
# (utime + stime from /proc/PID/stat) over SECONDS, first shown on an unchanging screen, then hidden
# (unmapped, as an iconified window is). Runs on a private Xvfb.
# Usage: scripts/idle-cpu.sh [ZT30-SIM] [SECONDS] [DISPLAY-NUMBER]
set -u
SIM=${1:-build/zt30-sim}
SECONDS_MEASURED=${2:-30}
NUM=${3:-96}
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool" >&2; exit 1; }
[ -e "/tmp/.X11-unix/X$NUM" ] && { echo "display :$NUM is in use; give another number" >&2; exit 1; }

Xvfb ":$NUM" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
XVFB=$!
SIM_PID=""
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; kill "$XVFB" 2>/dev/null; wait 2>/dev/null' EXIT
export DISPLAY=":$NUM"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
"$SIM" >/dev/null 2>&1 &
SIM_PID=$!
WID=""
for _ in $(seq 100); do
    WID=$(xdotool search --onlyvisible --name "^Tessaro ZT-30 PC Simulator\$" 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    sleep 0.05
done
[ -n "$WID" ] || { echo "no window" >&2; exit 1; }

cpu_ticks() { awk '{ sub(/.*\) /, ""); print $12 + $13 }' "/proc/$SIM_PID/stat"; }
# measure LABEL: percent of one core over SECONDS_MEASURED.
measure() {
    local a b
    a=$(cpu_ticks)
    sleep "$SECONDS_MEASURED"
    b=$(cpu_ticks)
    awk -v t=$((b - a)) -v hz="$(getconf CLK_TCK)" -v s="$SECONDS_MEASURED" -v l="$1" \
        'BEGIN { printf "%-22s %.2f %% of one core over %d s\n", l, t * 100 / hz / s, s }'
}
sleep 3 # past the splash: an unchanging screen from here on
measure "shown, unchanging:"
xdotool windowunmap "$WID"
sleep 1
measure "hidden (unmapped):"
