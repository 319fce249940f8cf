#!/usr/bin/env bash
# A recording on a disk that fills up during the session: the window says so at once and runs on; when
# it is closed, the old file of that name stays as it was, what was recorded is kept as NAME.partial in
# whole lines, and the replay refuses it. A disk already full at start is a start-up error that leaves
# nothing. Needs a small tmpfs of its own: as root, or in a user namespace; skipped (77) without either.
# Usage: disk_full.sh ZT30-SIM ZT30-XCLOSE ZT30-HEADLESS SCRATCH-DIR
if [ "$(id -u)" != 0 ]; then
    unshare -rm true 2>/dev/null && exec unshare -rm bash "$0" "$@"
    echo "skipped: mounting a tmpfs needs root or user namespaces"
    exit 77
fi
SIM=$1
XCLOSE=$2
HEADLESS=$3
OUT=$4
source "$(dirname "$0")/lib.sh"
DISK=disk # relative, so that the messages show it whole
mkdir -p "$DISK"
umount "$DISK" 2>/dev/null
mount -t tmpfs -o size=64k tmpfs "$DISK" || { echo "skipped: cannot mount a tmpfs"; exit 77; }
trap 'kill $SIM_PID $XVFB_PID 2>/dev/null; wait 2>/dev/null; umount "$DISK"' EXIT
fill() { dd if=/dev/zero of="$DISK/fill" bs=4k 2>/dev/null; }

echo "old recording" >"$DISK/s.zts"
start_xvfb 640x640
start_sim --record "$DISK/s.zts"
until_true 3 on_clock || fail "no CLOCK"
fill
# Clicks beside every button reach the instrument and the recording, and change nothing else: enough of
# them to need more than the page the recording already has.
for _ in $(seq 12); do
    xdotool mousemove --window "$WID" 20 20 click --repeat 10 --delay 12 1 || fail "clicks"
    grep -q "the recording stopped" sim.log && break
done
until_true 2 grep -q "^zt30-sim: cannot write '$DISK/s.zts': No space left on device; the recording stopped after" \
    sim.log || fail "no word of the full disk: $(cat sim.log)"
click 340 220
until_true 2 on_run_time || fail "the window did not run on after the disk filled"
"$XCLOSE" "$WID" || fail "could not ask the window to close"
sim_ends 1 "closed with the disk full"
[ "$(tail -n 1 sim.log)" = "zt30-sim: the window was closed; the recording could not be completed (No space left on device); what it holds is in $DISK/s.zts.partial" ] ||
    fail "last line: $(tail -n 1 sim.log)"
[ "$(cat "$DISK/s.zts")" = "old recording" ] || fail "the old recording was changed"
[ "$(tail -c 1 "$DISK/s.zts.partial" | od -An -c | tr -d ' ')" = '\n' ] || fail "the partial file ends in half a line"
"$HEADLESS" "$DISK/s.zts.partial" >replay.log 2>&1
rc=$?
[ "$rc" -eq 2 ] && grep -q "an unfinished recording" replay.log || fail "the partial replay exited $rc: $(cat replay.log)"
[ "$(ls -A "$DISK")" = "$(printf 'fill\ns.zts\ns.zts.partial')" ] || fail "left on the disk: $(ls -A "$DISK")"

# Full from the start: exit 1 at once, one line, no file.
"$SIM" --record "$DISK/new.zts" >start.log 2>&1
rc=$?
[ "$rc" -eq 1 ] && [ "$(cat start.log)" = "zt30-sim: cannot write '$DISK/new.zts': No space left on device" ] ||
    fail "a full disk at start: exit $rc: $(cat start.log)"
[ "$(ls -A "$DISK")" = "$(printf 'fill\ns.zts\ns.zts.partial')" ] || fail "a failed start left: $(ls -A "$DISK")"
echo "disk full test passed"
