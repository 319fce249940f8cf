#!/usr/bin/env bash
# The simulator in a real window on a private X server: its title, client size and icon, the splash at
# start, a click that steps the page, the pressed look of a held key, the brightness overlay after a
# 1.2 s hold, a click in the overlay, and closing the window with exit code 0; before that, the
# failures without a display, with a bad option and with an unwritable record file.
# Usage: end_to_end.sh ZT30-SIM ZT30-XCLOSE SCRATCH-DIR
set -u
SIM=$1
XCLOSE=$2
OUT=$3
TITLE="Tessaro ZT-30 PC Simulator"

mkdir -p "$OUT"
cd "$OUT" || exit 1
rm -f ./*.txt ./*.log

XVFB_PID=""
SIM_PID=""
cleanup() {
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
    wait 2>/dev/null
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    [ -s sim.log ] && sed 's/^/  zt30-sim: /' sim.log >&2
    exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# A bad option, and no window without a display: a one-line reason and a failure code, never a hang.
timeout 10 "$SIM" --bogus >args.log 2>&1
rc=$?
[ "$rc" -eq 2 ] && [ "$(cat args.log)" = "zt30-sim: unknown option '--bogus' (see --help)" ] ||
    fail "an unknown option gave exit code $rc: $(cat args.log)"
timeout 10 "$SIM" --help >help.log 2>&1
rc=$?
[ "$rc" -eq 0 ] && grep -q "^Usage: zt30-sim" help.log || fail "--help gave exit code $rc: $(cat help.log)"
timeout 10 "$SIM" --record /nonexistent/dir/s.zts >record.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && [ "$(wc -l <record.log)" -eq 1 ] && grep -q "^zt30-sim: cannot write" record.log ||
    fail "an unwritable --record file gave exit code $rc: $(cat record.log)"
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$SIM" >nodisplay.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && grep -q "^zt30-sim: cannot open a window" nodisplay.log ||
    fail "without a display: exit code $rc: $(cat nodisplay.log)"

# A server of our own on whatever display number is free, so parallel runs do not meet.
exec 5>display.log
Xvfb -displayfd 5 -screen 0 640x640x24 -nolisten tcp >xvfb.log 2>&1 &
XVFB_PID=$!
exec 5>&-
for _ in $(seq 100); do
    [ -s display.log ] && break
    sleep 0.05
done
[ -s display.log ] || fail "Xvfb did not start: $(cat xvfb.log)"
export DISPLAY=":$(tr -d '\n' <display.log)"

START=$(now_ms)
"$SIM" >sim.log 2>&1 &
SIM_PID=$!

WID=""
for _ in $(seq 250); do
    WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    kill -0 "$SIM_PID" 2>/dev/null || fail "the simulator ended before its window appeared"
    sleep 0.02
done
[ -n "$WID" ] || fail "no window titled '$TITLE'"

# --- pixels ------------------------------------------------------------------------------------------
# grab NAME: the display area of the window (frame coordinates 0..127, 0..159) as NAME.txt, one
# "x,y: (r,g,b)  #RRGGBB ..." line a pixel.
grab() { import -window "$WID" -crop 128x160+165+107 -depth 8 "txt:$1.txt" 2>>import.log || fail "capture $1"; }
# window_pixel X Y: #RRGGBB of one pixel of the window picture.
window_pixel() {
    import -window "$WID" -crop "1x1+$1+$2" -depth 8 txt:- 2>>import.log | awk 'NR == 2 { print $3 }'
}
# count NAME COLOUR X0 Y0 X1 Y1: pixels of that colour in the rectangle (ends included). COLOUR is
# #RRGGBB, or "text-grey" for the grey text at any of its full-strength shades (r = g = b, 0x58..0x78).
AWK_MATCH='function hit(c) {
    if (c != "text-grey") return $6 == c
    r = substr($3, 2) + 0; g = $4 + 0; b = $5 + 0
    return r == g && g == b && r >= 88 && r <= 120
}'
count() {
    awk -F'[,: ]+' -v c="$2" -v x0="$3" -v y0="$4" -v x1="$5" -v y1="$6" "$AWK_MATCH"'
        NR > 1 && $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && hit(c) { n++ } END { print n + 0 }' "$1.txt"
}
# pixel NAME X Y: #RRGGBB of one frame pixel.
pixel() { awk -F'[,: ]+' -v x="$2" -v y="$3" 'NR > 1 && $1 == x && $2 == y { print $6 }' "$1.txt"; }
# middle_x NAME COLOUR X0 Y0 X1 Y1: the column halfway between the leftmost and rightmost pixels of that
# colour (-1 when there are none).
middle_x() {
    awk -F'[,: ]+' -v c="$2" -v x0="$3" -v y0="$4" -v x1="$5" -v y1="$6" "$AWK_MATCH"'
        NR > 1 && $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && hit(c) {
            if (n++ == 0 || $1 < lo) lo = $1
            if ($1 > hi) hi = $1
        }
        END { if (n) printf "%d\n", (lo + hi) / 2; else print -1 }' "$1.txt"
}
luma() { local h=${1#\#}; echo $(((16#${h:0:2} * 3 + 16#${h:2:2} * 6 + 16#${h:4:2}) / 10)); }
click() { xdotool mousemove --window "$WID" "$1" "$2" click 1 || fail "click at $1,$2"; }

# --- the window -------------------------------------------------------------------------------------
# The splash lasts 1.2 s: the first picture that shows anything must be it.
SPLASH_SEEN=""
while [ $(($(now_ms) - START)) -lt 1100 ]; do
    grab splash
    if [ "$(count splash text-grey 0 88 127 112)" -gt 0 ]; then
        SPLASH_SEEN=1
        break
    fi
done
[ -n "$SPLASH_SEEN" ] || fail "no splash within 1.1 s of start"
# "ZT-30-S" in grey, centred on (64, 100); the version under it.
n=$(count splash text-grey 0 88 127 112)
[ "$n" -ge 20 ] || fail "splash model text: $n grey pixels"
mx=$(middle_x splash text-grey 0 88 127 112)
[ "$mx" -ge 61 ] && [ "$mx" -le 67 ] || fail "splash model text centred on column $mx, not 64"
[ "$(count splash text-grey 40 135 88 152)" -ge 3 ] || fail "splash version text"

[ "$(xdotool getwindowname "$WID")" = "$TITLE" ] || fail "title '$(xdotool getwindowname "$WID")'"
geometry=$(xwininfo -id "$WID")
echo "$geometry" | grep -q "Width: 450$" && echo "$geometry" | grep -q "Height: 550$" ||
    fail "client area is not 450 x 550: $(echo "$geometry" | grep -E 'Width|Height' | tr -s ' \n' ' ')"
xprop -id "$WID" WM_NORMAL_HINTS | grep -q "maximum size: 450 by 550" || fail "the window can be resized"
xprop -id "$WID" _NET_WM_ICON | grep -q "Icon (64 x 64)" || fail "no 64 x 64 window icon"

# After the splash: CLOCK, the first page. Its page bars stand right of the centre (seven pages follow,
# the last at column 91); none on the left.
while [ $(($(now_ms) - START)) -lt 1700 ]; do sleep 0.05; done
grab clock
[ "$(pixel clock 91 150)" = "#FFFFFF" ] || fail "CLOCK: no bar at column 91"
[ "$(pixel clock 12 150)" != "#FFFFFF" ] || fail "CLOCK: a bar at column 12"

# Other mouse buttons press nothing.
xdotool mousemove --window "$WID" 340 220 click 3 click 2 || fail "right and middle clicks"
sleep 0.3
grab other_buttons
[ "$(pixel other_buttons 91 150)" = "#FFFFFF" ] && [ "$(pixel other_buttons 12 150)" != "#FFFFFF" ] ||
    fail "a right or middle click stepped the page"

# A click on the right soft key: the next page, RUN TIME, with one page before it.
click 340 220
sleep 0.3
grab run_time
[ "$(pixel run_time 12 150)" = "#FFFFFF" ] || fail "right soft key click: no bar at column 12"
[ "$(pixel run_time 91 150)" != "#FFFFFF" ] || fail "right soft key click: still a bar at column 91"

# Holding the right soft key: pressed at once, the brightness overlay after 1.2 s.
released=$(luma "$(window_pixel 340 220)")
xdotool mousemove --window "$WID" 340 220 mousedown 1 || fail "mouse down"
HOLD=$(now_ms)
sleep 0.3
pressed=$(luma "$(window_pixel 340 220)")
[ "$pressed" -lt "$released" ] || fail "held key not drawn pressed (luma $pressed, released $released)"
while [ $(($(now_ms) - HOLD)) -lt 1600 ]; do sleep 0.05; done
xdotool mouseup 1 || fail "mouse up"
sleep 0.2
grab overlay
# 30 %: a white bar over columns 20..49, rows 80..94.
n=$(count overlay '#FFFFFF' 20 80 49 94)
[ "$n" -eq 450 ] || fail "brightness bar: $n of 450 pixels white"
[ "$(count overlay '#FFFFFF' 50 80 127 94)" -eq 0 ] || fail "brightness bar longer than 30"
[ "$(count overlay '#FFFFFF' 0 80 19 94)" -eq 0 ] || fail "brightness bar starts left of column 20"
after=$(luma "$(window_pixel 340 220)")
[ "$after" -eq "$released" ] || fail "released key still drawn pressed"

# VIEW is the overlay's up arrow: 40 %.
click 120 150
sleep 0.3
grab brighter
n=$(count brighter '#FFFFFF' 20 80 59 94)
[ "$n" -eq 600 ] || fail "after VIEW the bar is not 40 long ($n white pixels)"

# The right soft key is OK: back to RUN TIME.
click 340 220
sleep 0.3
grab closed
[ "$(count closed '#FFFFFF' 20 80 59 94)" -eq 0 ] || fail "overlay still open after OK"
[ "$(pixel closed 12 150)" = "#FFFFFF" ] || fail "not back on RUN TIME after OK"

# Closing the window ends the process with exit code 0.
"$XCLOSE" "$WID" || fail "could not ask the window to close"
for _ in $(seq 100); do
    kill -0 "$SIM_PID" 2>/dev/null || break
    sleep 0.05
done
kill -0 "$SIM_PID" 2>/dev/null && fail "still running 5 s after the window was closed"
wait "$SIM_PID"
rc=$?
SIM_PID=""
[ "$rc" -eq 0 ] || fail "exit code $rc after closing the window"
echo "window test passed in $(($(now_ms) - START)) ms"
