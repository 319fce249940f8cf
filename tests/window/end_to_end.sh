#!/usr/bin/env bash
# The simulator in a real window on a private X server: the failures without a display and with an
# unwritable record file; title, size and icon, the splash, mouse clicks, the pressed look of a held key,
# the brightness hold, and the window closed by another client with exit code 0.
# Usage: end_to_end.sh ZT30-SIM ZT30-XCLOSE SCRATCH-DIR
SIM=$1
XCLOSE=$2
OUT=$3
source "$(dirname "$0")/lib.sh"

# No window without a display, nor with a record file that cannot be written: one line, never a hang.
timeout 10 "$SIM" --record /nonexistent/dir/s.zts >record.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && [ "$(wc -l <record.log)" -eq 1 ] && grep -q "^zt30-sim: cannot write" record.log ||
    fail "an unwritable --record file gave exit code $rc: $(cat record.log)"
env -u DISPLAY -u WAYLAND_DISPLAY timeout 10 "$SIM" >nodisplay.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && grep -q "^zt30-sim: cannot open a window" nodisplay.log ||
    fail "without a display: exit code $rc: $(cat nodisplay.log)"

start_xvfb 640x640
START=$(now_ms)
start_sim
# The splash lasts 1.2 s: the first picture that shows anything must be it, "ZT-30-S" in grey text
# (r = g = b at any full-strength shade 0x58..0x78).
grey_text() {
    awk -F'[,: ]+' 'NR > 1 && $2 >= 88 && $2 <= 112 { r = substr($3, 2) + 0
        n += r == $4 + 0 && r == $5 + 0 && r >= 88 && r <= 120 } END { print n + 0 }' splash.txt
}
until grab splash && [ "$(grey_text)" -ge 20 ]; do
    [ $(($(now_ms) - START)) -lt 1100 ] || fail "no splash within 1.1 s of start"
done

[ "$(xdotool getwindowname "$WID")" = "$TITLE" ] || fail "title '$(xdotool getwindowname "$WID")'"
size_is 450x550 || fail "client area is $(client_size), not 450x550"
xprop -id "$WID" WM_NORMAL_HINTS | grep -q "maximum size: 450 by 550" || fail "the window can be resized"
xprop -id "$WID" _NET_WM_ICON | grep -q "Icon (64 x 64)" || fail "no 64 x 64 window icon"

until_true 2 on_clock || fail "CLOCK did not follow the splash"
# Other mouse buttons press nothing; a left click on the right soft key steps to RUN TIME.
xdotool mousemove --window "$WID" 340 220 click 3 click 2 || fail "right and middle clicks"
sleep 0.3
on_clock || fail "a right or middle click stepped the page"
click 340 220
until_true 2 on_run_time || fail "a click on the right soft key did not step to RUN TIME"

# Holding the right soft key: pressed at once, the brightness overlay (30 %) after 1.2 s.
released=$(luma "$(picture_pixel 340 220)")
xdotool mousemove --window "$WID" 340 220 mousedown 1 || fail "mouse down"
HOLD=$(now_ms)
until_true 1 darker_than 340 220 "$released" || fail "held key not drawn pressed"
while [ $(($(now_ms) - HOLD)) -lt 1600 ]; do sleep 0.05; done
xdotool mouseup 1 || fail "mouse up"
until_true 2 brightness_bar 30 || fail "no brightness overlay at 30 after the hold"
until_true 1 as_light_as 340 220 "$released" || fail "released key still drawn pressed"
# VIEW is the overlay's up arrow: 40 %; the right soft key is OK: back to RUN TIME.
click 120 150
until_true 2 brightness_bar 40 || fail "VIEW did not raise the brightness to 40"
click 340 220
until_true 2 on_run_time || fail "not back on RUN TIME after OK"

# Closed by another client (as a window manager's close button does it): exit code 0.
"$XCLOSE" "$WID" || fail "could not ask the window to close"
sim_ends 0 "the window was closed"
echo "window test passed in $(($(now_ms) - START)) ms"
