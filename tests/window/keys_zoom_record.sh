#!/usr/bin/env bash
# The window beyond the mouse, on a private X server: every key on its button (pressed look, page
# steps, the brightness hold), help over the bezel, screenshots, zoom (2x size, crisp pixels, hit
# regions), a size forced on the window, hidden and shown again; the whole session recorded with
# --record and replayed by zt30-headless to exit 0. Then --scale 2 at start, and the window destroyed by
# another program, which must end the simulator with exit code 0.
# Usage: keys_zoom_record.sh ZT30-SIM ZT30-XCLOSE ZT30-HEADLESS SCRATCH-DIR
set -u
SIM=$1
XCLOSE=$2
HEADLESS=$3
OUT=$4
TITLE="Tessaro ZT-30 PC Simulator"

mkdir -p "$OUT"
cd "$OUT" || exit 1
rm -f ./*.txt ./*.log ./*.png ./*.zts

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

# until_true SECONDS COMMAND...: runs COMMAND every 20 ms until it succeeds; fails after SECONDS.
until_true() {
    local end=$(($(now_ms) + $1 * 1000))
    shift
    until "$@"; do
        [ "$(now_ms)" -lt "$end" ] || return 1
        sleep 0.02
    done
}

exec 5>display.log
Xvfb -displayfd 5 -screen 0 1400x1400x24 -nolisten tcp >xvfb.log 2>&1 &
XVFB_PID=$!
exec 5>&-
until_true 5 test -s display.log || fail "Xvfb did not start: $(cat xvfb.log)"
export DISPLAY=":$(tr -d '\n' <display.log)"

# start_sim ARGS...: runs the simulator and sets WID to its window.
start_sim() {
    "$SIM" "$@" >sim.log 2>&1 &
    SIM_PID=$!
    WID=""
    find_window() {
        WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1)
        [ -n "$WID" ] || kill -0 "$SIM_PID" 2>/dev/null || fail "the simulator ended before its window appeared"
        [ -n "$WID" ]
    }
    until_true 5 find_window || fail "no window titled '$TITLE'"
}

# --- pixels ------------------------------------------------------------------------------------------
SCALE=1 # the window picture's enlargement
OX=0    # its top-left corner in the window
OY=0
# grab NAME: the display (frame coordinates 0..127, 0..159) as NAME.txt, one pixel a line.
grab() {
    import -window "$WID" -crop "$((128 * SCALE))x$((160 * SCALE))+$((OX + 165 * SCALE))+$((OY + 107 * SCALE))" \
        +repage png:- 2>>import.log | convert - -sample 128x160 -depth 8 "txt:$1.txt" 2>>import.log ||
        fail "capture $1"
}
# pixel NAME X Y: #RRGGBB of one frame pixel.
pixel() { awk -F'[,: ]+' -v x="$2" -v y="$3" 'NR > 1 && $1 == x && $2 == y { print $6 }' "$1.txt"; }
# count NAME COLOUR X0 Y0 X1 Y1: frame pixels of that colour in the rectangle (ends included).
count() {
    awk -F'[,: ]+' -v c="$2" -v x0="$3" -v y0="$4" -v x1="$5" -v y1="$6" '
        NR > 1 && $1 >= x0 && $1 <= x1 && $2 >= y0 && $2 <= y1 && $6 == c { n++ } END { print n + 0 }' "$1.txt"
}
# window_pixel X Y: #RRGGBB of one pixel of the window (window coordinates).
window_pixel() {
    import -window "$WID" -crop "1x1+$1+$2" -depth 8 txt:- 2>>import.log | awk 'NR == 2 { print $3 }'
}
# picture_pixel X Y: the same in picture coordinates.
picture_pixel() { window_pixel $((OX + $1 * SCALE)) $((OY + $2 * SCALE)); }
luma() { local h=${1#\#}; echo $(((16#${h:0:2} * 3 + 16#${h:2:2} * 6 + 16#${h:4:2}) / 10)); }
# The page bars of CLOCK (the first page: all bars right) and RUN TIME (one bar left).
on_clock() { grab page && [ "$(pixel page 91 150)" = "#FFFFFF" ] && [ "$(pixel page 12 150)" != "#FFFFFF" ]; }
on_run_time() { grab page && [ "$(pixel page 12 150)" = "#FFFFFF" ] && [ "$(pixel page 91 150)" != "#FFFFFF" ]; }
# brightness_bar N: the brightness overlay shows a bar N long (columns 20..19+N of rows 80..94).
brightness_bar() {
    grab overlay && [ "$(count overlay '#FFFFFF' 20 80 $((19 + $1)) 94)" -eq $((15 * $1)) ] &&
        [ "$(count overlay '#FFFFFF' $((20 + $1)) 80 127 94)" -eq 0 ]
}
# darker_than X Y LUMA / as_light_as X Y LUMA: a control's look at a picture point.
darker_than() { [ "$(luma "$(picture_pixel "$1" "$2")")" -lt "$3" ]; }
as_light_as() { [ "$(luma "$(picture_pixel "$1" "$2")")" -eq "$3" ]; }
client_size() { xwininfo -id "$WID" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
size_is() { [ "$(client_size)" = "$1" ]; }
# region NAME X Y W H: a part of the window picture at the current scale, as NAME.png.
region() {
    import -window "$WID" -crop "$(($4 * SCALE))x$(($5 * SCALE))+$((OX + $2 * SCALE))+$((OY + $3 * SCALE))" +repage \
        "$1.png" 2>>import.log || fail "capture $1"
}
same_picture() { [ "$(compare -metric AE "$1" "$2" null: 2>&1)" = "0" ]; }

# === a recorded session ==============================================================================
start_sim --record session.zts
until_true 3 on_clock || fail "CLOCK did not follow the splash"

# Each key draws its button pushed in while held, and lets go on release. Held briefly: no long press.
# In this order the releases step to RUN TIME (right), toggle its counters (VIEW, BOTH) and step back.
VIEW_XY="120 150" LEFT_XY="120 220" RIGHT_XY="340 220" BOTH_XY="230 300"
for pair in "Right RIGHT" "v VIEW" "Up VIEW" "b BOTH" "Down BOTH" "space BOTH" "Left LEFT"; do
    set -- $pair
    key=$1
    xy_name="${2}_XY"
    read -r x y <<<"${!xy_name}"
    released=$(luma "$(picture_pixel "$x" "$y")")
    xdotool keydown "$key" || fail "keydown $key"
    until_true 1 darker_than "$x" "$y" "$released" || fail "$key: $2 not drawn pressed"
    xdotool keyup "$key" || fail "keyup $key"
    until_true 1 as_light_as "$x" "$y" "$released" || fail "$key: $2 still drawn pressed"
    [ "$key" = Right ] && { until_true 2 on_run_time || fail "the right arrow did not step to RUN TIME"; }
done
until_true 2 on_clock || fail "the left arrow did not step back to CLOCK"

# The brightness hold from the keyboard: the right arrow held 1.2 s opens the overlay at 30 %; the
# auto-repeat of the held key changes nothing.
xdotool keydown Right || fail "keydown Right"
HOLD=$(now_ms)
sleep 0.8
grab early
if [ $(($(now_ms) - HOLD)) -lt 1100 ]; then # unless the machine is too busy to tell
    [ "$(count early '#FFFFFF' 20 80 49 94)" -ne 450 ] || fail "brightness overlay before 1.2 s"
fi
until_true 2 brightness_bar 30 || fail "no brightness overlay after holding the right arrow"
while [ $(($(now_ms) - HOLD)) -lt 1700 ]; do sleep 0.05; done
xdotool keyup Right || fail "keyup Right"
xdotool key Up || fail "key Up"
until_true 2 brightness_bar 40 || fail "Up (VIEW) did not raise the brightness to 40"
xdotool key Right || fail "key Right (OK)"
until_true 2 on_clock || fail "OK did not close the overlay"

# Help over the bezel, not over the display: F1 shows it, ? hides it.
plain=$(picture_pixel 60 150)
display=$(picture_pixel 200 200)
help_shown() { [ "$(picture_pixel 60 150)" != "$plain" ]; }
xdotool key F1
until_true 2 help_shown || fail "F1 did not show the help"
[ "$(picture_pixel 200 200)" = "$display" ] || fail "the help covers the display"
xdotool key question
until_true 2 eval '! help_shown' || fail "? did not hide the help"

# Screenshots land in the current folder; their paths go to standard error.
shot_line() { grep -c "^zt30-sim: screenshot $PWD/zt30-[0-9]\{8\}-[0-9]\{6\}\(-[0-9]*\)\?\.png\$" sim.log; }
shots() { [ "$(shot_line)" -eq "$1" ]; }
xdotool key F12
until_true 3 shots 1 || fail "F12: no screenshot reported"
xdotool key shift+F12
until_true 3 shots 2 || fail "Shift+F12: no screenshot reported"
mapfile -t files < <(grep "^zt30-sim: screenshot " sim.log | sed 's/^zt30-sim: screenshot //')
[ "$(identify -format '%wx%h' "${files[0]}")" = "450x550" ] || fail "F12 picture is not 450 x 550"
[ "$(identify -format '%wx%h' "${files[1]}")" = "512x640" ] || fail "Shift+F12 picture is not 512 x 640"
[ -z "$(find . -name '.zt30-shot-*')" ] || fail "a temporary screenshot file was left behind"

# Zoom: Ctrl+plus doubles the window; every pixel is a 2 x 2 square of the 1:1 picture.
region key1 90 120 60 130
xdotool key ctrl+plus
until_true 3 size_is 900x1100 || fail "Ctrl+plus: window $(client_size), not 900x1100"
xprop -id "$WID" WM_NORMAL_HINTS | grep -q "maximum size: 900 by 1100" || fail "2x window can be resized"
SCALE=2
sleep 0.2
region key2 90 120 60 130
convert key1.png -sample 200% key1x2.png
same_picture key1x2.png key2.png || fail "the 2x picture is not the 1:1 picture in 2 x 2 squares"
# The hit regions follow: the right soft key at 2x steps the page.
xdotool mousemove --window "$WID" $((340 * 2 + 1)) $((220 * 2 + 1)) click 1 || fail "click at 2x"
until_true 2 on_run_time || fail "a click on the right soft key at 2x did not step the page"
xdotool key ctrl+minus
until_true 3 size_is 450x550 || fail "Ctrl+minus: window $(client_size), not 450x550"
SCALE=1

# A size forced on the window: the picture at 1:1 in the middle on black, never stretched.
xdotool windowsize "$WID" 701 613 || fail "windowsize"
until_true 3 size_is 701x613 || fail "the forced size did not take"
OX=125 OY=31
sleep 0.2
[ "$(window_pixel 0 0)" = "#000000" ] && [ "$(window_pixel 700 612)" = "#000000" ] ||
    fail "no plain margin around the picture"
region key_forced 90 120 60 130
same_picture key1.png key_forced.png || fail "the picture in the forced size is not the 1:1 picture"
xdotool mousemove --window "$WID" $((OX + 120)) $((OY + 220)) click 1 || fail "click in the forced size"
until_true 2 on_clock || fail "a click on the left soft key in the forced size did not step back"
xdotool key ctrl+0
until_true 3 size_is 450x550 || fail "Ctrl+0 did not bring back 450 x 550"
OX=0 OY=0

# Hidden for a while (as an iconified window is): the instrument runs on, and shows the same as if
# it had been in sight all along; the recording below proves it tick for tick.
xdotool windowunmap "$WID" || fail "unmap"
sleep 1.5
xdotool windowmap "$WID" || fail "map"
xdotool windowfocus "$WID" # what a window manager does on restoring a window
until_true 2 on_clock || fail "after being hidden the window does not show CLOCK"
xdotool key Right
until_true 2 on_run_time || fail "no page step after being hidden"

# Ctrl+Q closes; the session replays to the frame the window showed.
xdotool key ctrl+q
until_true 5 eval '! kill -0 "$SIM_PID" 2>/dev/null' || fail "still running after Ctrl+Q"
wait "$SIM_PID"
rc=$?
SIM_PID=""
[ "$rc" -eq 0 ] || fail "exit code $rc after Ctrl+Q"
grep -q "^zt30-sim: session recorded in session.zts" sim.log || fail "no note of the recording"
# 13 keys and clicks above, each a press and a release.
[ "$(grep -c "^mouse " session.zts)" -eq 26 ] || fail "session.zts holds $(grep -c '^mouse ' session.zts) presses and releases"
[ "$(grep -c '^expect ' session.zts)" -eq 1280 ] || fail "session.zts does not end with the sampled frame"
"$HEADLESS" session.zts >replay.log 2>&1
rc=$?
if grep -q "^# the window skipped" session.zts; then
    # The machine stalled the window for longer than it catches up on; the file says so.
    echo "note: the window stalled during the test; the replay is marked inexact (exit $rc)"
else
    [ "$rc" -eq 0 ] || fail "the replay of the session exited $rc: $(cat replay.log)"
fi

# === --scale 2, then the window destroyed by another program =========================================
start_sim --scale 2
until_true 3 size_is 900x1100 || fail "--scale 2: window $(client_size)"
SCALE=2
until_true 3 on_clock || fail "--scale 2: no CLOCK"
"$XCLOSE" --destroy "$WID" || fail "could not destroy the window"
until_true 5 eval '! kill -0 "$SIM_PID" 2>/dev/null' || fail "still running after the window was destroyed"
wait "$SIM_PID"
rc=$?
SIM_PID=""
[ "$rc" -eq 0 ] || fail "exit code $rc after the window was destroyed: $(cat sim.log)"
! grep -q "X Error" sim.log || fail "an X error after the window was destroyed"
echo "keys, zoom and record test passed"
