# Sourced by the window tests, after they set SIM and OUT: a private X server, the simulator in it, and
# its pixels read back from screen captures.
set -u
TITLE="Tessaro ZT-30 PC Simulator"
XVFB_PID="" SIM_PID="" WID=""
SCALE=1 OX=0 OY=0 # the window picture's enlargement and its top-left corner in the window
mkdir -p "$OUT" && cd "$OUT" || exit 1
rm -f ./*.txt ./*.log ./*.png ./*.zts

trap 'kill $SIM_PID $XVFB_PID 2>/dev/null; wait 2>/dev/null' EXIT
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

# start_xvfb WxH: a server of our own on whatever display number is free, so parallel runs do not meet. It
# must not reset when its last client leaves: a window opened during the reset finds no display.
start_xvfb() {
    exec 5>display.log
    Xvfb -displayfd 5 -screen 0 "${1}x24" -nolisten tcp -noreset >xvfb.log 2>&1 &
    XVFB_PID=$!
    exec 5>&-
    until_true 5 test -s display.log || fail "Xvfb did not start: $(cat xvfb.log)"
    export DISPLAY=":$(tr -d '\n' <display.log)"
}
# start_sim ARGS...: runs the simulator and sets WID to its window.
start_sim() {
    "$SIM" "$@" >sim.log 2>&1 &
    SIM_PID=$!
    until_true 5 eval 'WID=$(xdotool search --onlyvisible --name "^${TITLE}\$" 2>/dev/null | head -n 1)
        [ -n "$WID" ] || kill -0 "$SIM_PID" 2>/dev/null || fail "the simulator ended before its window appeared"
        [ -n "$WID" ]' || fail "no window titled '$TITLE'"
}
# sim_ends CODE AFTER: the simulator ends within 5 s with exit code CODE.
sim_ends() {
    until_true 5 eval '! kill -0 "$SIM_PID" 2>/dev/null' || fail "still running after $2"
    wait "$SIM_PID"
    local rc=$?
    SIM_PID=""
    [ "$rc" -eq "$1" ] || fail "exit code $rc after $2"
}

# grab NAME: the display (frame coordinates 0..127, 0..159) as NAME.txt, one "x,y: (r,g,b) #RRGGBB" a line.
grab() {
    import -window "$WID" -crop "$((128 * SCALE))x$((160 * SCALE))+$((OX + 165 * SCALE))+$((OY + 107 * SCALE))" \
        +repage png:- 2>>import.log | convert - -sample 128x160 -depth 8 "txt:$1.txt" 2>>import.log ||
        fail "capture $1"
}
# pixel NAME X Y: #RRGGBB of one frame pixel.
pixel() { awk -F'[,: ]+' -v x="$2" -v y="$3" 'NR > 1 && $1 == x && $2 == y { print $6 }' "$1.txt"; }
# window_pixel X Y: #RRGGBB of one pixel of the window; picture_pixel X Y: the same in picture coordinates.
window_pixel() {
    import -window "$WID" -crop "1x1+$1+$2" -depth 8 txt:- 2>>import.log | awk 'NR == 2 { print $3 }'
}
picture_pixel() { window_pixel $((OX + $1 * SCALE)) $((OY + $2 * SCALE)); }
luma() { local h=${1#\#}; echo $(((16#${h:0:2} * 3 + 16#${h:2:2} * 6 + 16#${h:4:2}) / 10)); }
# darker_than X Y LUMA / as_light_as X Y LUMA: a control's look at a picture point.
darker_than() { [ "$(luma "$(picture_pixel "$1" "$2")")" -lt "$3" ]; }
as_light_as() { [ "$(luma "$(picture_pixel "$1" "$2")")" -eq "$3" ]; }
# click X Y: a left click at a picture point.
click() {
    xdotool mousemove --window "$WID" $((OX + $1 * SCALE + SCALE / 2)) $((OY + $2 * SCALE + SCALE / 2)) click 1 ||
        fail "click at $1,$2"
}
# The page bars of CLOCK (the first page: all bars right) and RUN TIME (one bar left).
on_clock() { grab page && [ "$(pixel page 91 150)" = "#FFFFFF" ] && [ "$(pixel page 12 150)" != "#FFFFFF" ]; }
on_run_time() { grab page && [ "$(pixel page 12 150)" = "#FFFFFF" ] && [ "$(pixel page 91 150)" != "#FFFFFF" ]; }
# brightness_bar N: the brightness overlay shows a bar N long: rows 80..94 white exactly over columns 20..19+N.
brightness_bar() {
    grab overlay && awk -F'[,: ]+' -v n="$1" 'NR > 1 && $2 >= 80 && $2 <= 94 &&
        ($6 == "#FFFFFF") != ($1 >= 20 && $1 < 20 + n) { bad++ } END { exit bad > 0 }' overlay.txt
}
client_size() { xwininfo -id "$WID" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }'; }
size_is() { [ "$(client_size)" = "$1" ]; }
