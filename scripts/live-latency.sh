#!/usr/bin/env bash
# Measures how long a --live datagram takes to reach the screen: the simulator on a private Xvfb, DEMO
# MODE NONE and ATTITUDE selected with the mouse, then COUNT datagrams of a changing attitude, about 30 a
# second (bash's /dev/udp; build/zt30-udp-peer, built with the window tests, finds a free port). The simulator's own statistics (ZT30_TICK_STATS) time each
# datagram from the kernel's arrival stamp to the presentation of the first frame drawn with it.
# Usage: scripts/live-latency.sh [BUILD_DIR] [COUNT] [DISPLAY-NUMBER]
set -u
BUILD=${1:-build}
COUNT=${2:-600}
NUM=${3:-95}
SIM=$BUILD/zt30-sim PEER=$BUILD/zt30-udp-peer XCLOSE=$BUILD/zt30-xclose
for tool in "$SIM" "$PEER" "$XCLOSE"; do [ -x "$tool" ] || { echo "$tool not found; build first" >&2; exit 1; }; done
command -v Xvfb >/dev/null && command -v xdotool >/dev/null || { echo "needs Xvfb and xdotool" >&2; exit 1; }
[ -e "/tmp/.X11-unix/X$NUM" ] && { echo "display :$NUM is in use; give another number" >&2; exit 1; }

Xvfb ":$NUM" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
XVFB=$!
SIM_PID=""
LOG=$(mktemp)
trap '[ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null; kill "$XVFB" 2>/dev/null; wait 2>/dev/null; rm -f "$LOG"' EXIT
export DISPLAY=":$NUM"
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
PORT=$("$PEER" port)
ZT30_TICK_STATS=1 "$SIM" --live "udp:$PORT" 2>"$LOG" &
SIM_PID=$!
WID=""
for _ in $(seq 100); do
    WID=$(xdotool search --onlyvisible --name "^Tessaro ZT-30 PC Simulator - live: " 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    sleep 0.05
done
[ -n "$WID" ] || { echo "no window" >&2; exit 1; }
sleep 1.5 # the splash
click() { xdotool mousemove --window "$WID" "$1" "$2" click 1; sleep 0.06; }
click 120 220 # SETUP
click 230 300 # into the list
for _ in $(seq 17); do click 120 220; done
click 340 220 # DEMO MODE
click 340 220 # NONE
click 230 300 # back to the list
click 230 300 # out of it
click 120 220 # ATTITUDE
for ((i = 0; i < COUNT; ++i)); do
    printf 'pitch=%d roll=%d' $((i % 21 - 10)) $((i % 21 * 3 - 30)) >"/dev/udp/127.0.0.1/$PORT"
    sleep 0.033
done
sleep 0.5
"$XCLOSE" "$WID"
wait "$SIM_PID"
SIM_PID=""
grep "^zt30-sim: live: [0-9]* datagrams" "$LOG" || { cat "$LOG" >&2; exit 1; }
