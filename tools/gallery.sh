#!/usr/bin/env bash
# Renders every page view and every SETUP screen with the headless runner into OUT_DIR (default
# docs/screens), then a few pages with flight values given: one PNG per screen at twice the size, and
# contact-sheet.png with all of them at 1:1.
#
#   tools/gallery.sh [BUILD_DIR [OUT_DIR]]      (or: make screens)
#
# Needs only the project's own zt30-headless and zt30-sheetgen (built in BUILD_DIR, default build).
# The screens are reached by clicking through the instrument as a user would, so the pictures show what
# the buttons really lead to. The run is exact and repeatable: a fixed local time on the simulated clock.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
out=${2:-$root/docs/screens}
headless=$build/zt30-headless
sheetgen=$build/zt30-sheetgen
for tool in "$headless" "$sheetgen"; do
    if [ ! -x "$tool" ]; then
        echo "gallery.sh: $tool not found; build first (make build)" >&2
        exit 2
    fi
done
mkdir -p "$out"
out=$(cd "$out" && pwd)
headless=$(cd "$(dirname "$headless")" && pwd)/zt30-headless
sheetgen=$(cd "$(dirname "$sheetgen")" && pwd)/zt30-sheetgen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
script=$work/gallery.zts
list=$work/sheet.list
n=0

cmd() { printf '%s\n' "$*" >>"$script"; }

# shot NAME CAPTION: the frame as NN-NAME.png (2x) and as a raw dump for the sheet.
shot() {
    n=$((n + 1))
    local f
    f=$(printf '%02d-%s' "$n" "$1")
    cmd "shot $f.png 2"
    cmd "dump $f.raw"
    printf '%s %s\n' "$work/$f.raw" "$2" >>"$list"
}

cmd "local-time 10:10:30"
cmd "wait 200ms"
shot splash "splash"
cmd "wait 1300ms" # the splash hands over to CLOCK

# CLOCK: VIEW steps through the five views; BOTH in a time view opens Set Clock, BOTH again accepts.
shot clock-gmt "CLOCK GMT"
cmd "click view"
shot clock-local "CLOCK local"
cmd "click view"
shot clock-analog "CLOCK analog"
cmd "click view"
shot clock-density-alt "CLOCK dens. alt"
cmd "click view"
shot clock-airspeed "CLOCK TAS"
cmd "click view"
cmd "click both"
shot clock-set "Set Clock"
cmd "click both"

cmd "click right"
shot run-time "RUN TIME"

# The timers: BOTH enters and leaves the preset edit; the shot is taken while the field is lit.
for t in 1 2; do
    cmd "click right"
    shot "timer-$t" "TIMER $t"
    cmd "press both"
    cmd "wait 30ms"
    shot "timer-$t-edit" "TIMER $t edit"
    cmd "release both"
    cmd "wait 50ms"
    cmd "click both"
done

cmd "click right"
shot aoa-tape "AOA"
cmd "click view"
shot aoa-bar "AOA bar"
cmd "click view"

cmd "click right"
shot g-meter-bar "G METER bar"
cmd "click view"
shot g-meter-number "G METER number"
cmd "click view"
shot g-meter-dial "G METER dial"
cmd "click view"

cmd "click right"
shot attitude "ATTITUDE"
cmd "click view"
shot attitude-no-inset "ATTITUDE plain"
cmd "click view"

# Holding the right key opens the brightness screen; a click on it closes it again.
cmd "hold right 1300ms"
shot brightness "brightness"
cmd "click right"

# SETUP: BOTH enters the list, the left key moves down it, the right key opens the selected item.
cmd "click right"
shot setup-title "SETUP"
cmd "click both"
shot setup-list "SETUP list"

# open_item CLICKS_DOWN: move down the list and open the item.
open_item() {
    local i
    for ((i = 0; i < $1; ++i)); do cmd "click left"; done
    cmd "click right"
}

open_item 0
shot setup-system-info "SYSTEM INFO"
cmd "click view"
shot setup-system-info-sw "SYSTEM INFO sw"
cmd "click view"
cmd "click right"

open_item 1
shot setup-page-enable "PAGE ENABLE"
cmd "click both"
open_item 1
shot setup-audio-alerts "AUDIO ALERTS"
cmd "click both"
open_item 1
shot setup-visual-alerts "VISUAL ALERTS"
cmd "click both"
open_item 1
shot setup-audio-vol "AUDIO VOL"
cmd "click right"
open_item 1
shot setup-misc-options "MISC OPTIONS"
cmd "click both"

# The limits take two steps: NEXT, then DONE back to the list.
open_item 1
shot setup-aoa-limits "AOA LIMITS"
cmd "click right"
shot setup-aoa-limits-cruise "AOA LIMITS 2"
cmd "click right"
open_item 1
shot setup-g-limits "G LIMITS"
cmd "click right"
shot setup-g-limits-negative "G LIMITS 2"
cmd "click right"

open_item 1
shot setup-slip-trim "SLIP TRIM"
cmd "click right"
open_item 1
shot setup-roll-trim "ROLL TRIM"
cmd "click right"
open_item 1
shot setup-pitch-trim "PITCH TRIM"
cmd "click right"
open_item 1
shot setup-oat-trim "OAT TRIM"
cmd "click right"

# The caution screens are left with the left key.
open_item 1
shot setup-hard-cal "HARD CAL"
cmd "click left"
open_item 1
shot setup-speed-assist "SPEED ASSIST"
cmd "click both"
open_item 1
shot setup-pitot-zero "PITOT ZERO"
cmd "click left"

# The trims: LOW TRIM opens; HIGH TRIM is shown unavailable at the fixed readings.
for name in ias alt; do
    open_item 1
    caption=$([ $name = ias ] && echo "IAS TRIM" || echo "ALT TRIM")
    shot "setup-$name-trim" "$caption"
    cmd "click left"
    shot "setup-$name-trim-high" "$caption HIGH"
    cmd "click view"
    cmd "click right"
    shot "setup-$name-trim-edit" "$caption LOW"
    cmd "click right"
    cmd "click both"
done

open_item 1
shot setup-demo-mode "DEMO MODE"
cmd "click both"
shot setup-list-end "SETUP list end"

# Flight values given with the flight command; they show with DEMO MODE NONE. DEMO MODE opens with its
# cursor on NONE, the right key selects it; then out of the list and on to the pages.
open_item 0
cmd "click right"
cmd "click both"
cmd "click both"
cmd "flight roll=30"
cmd "click left"
shot flight-attitude-bank "bank 30"
# A load over the G alert (+2.0) and the angle of attack at the PRE-STALL limit (15.0), each settled.
cmd "flight roll=- g=3.5 aoa=15"
cmd "click left"
cmd "wait 2s"
shot flight-g-meter-bar "G 3.5 bar"
cmd "click view"
cmd "click view"
shot flight-g-meter-dial "G 3.5 dial"
cmd "click view"
cmd "click left"
cmd "wait 2s"
shot flight-aoa-prestall "AoA 15.0"
# CLOCK's air data: left four times from AOA; VIEW to density altitude and true airspeed.
cmd "flight tas=118 dalt=6500 oat=-4 volts=13.8"
for _ in 1 2 3 4; do cmd "click left"; done
for _ in 1 2 3; do cmd "click view"; done
shot flight-clock-density-alt "dens. alt 6500"
cmd "click view"
shot flight-clock-airspeed "TAS 118"
cmd "click view"

(cd "$work" && "$headless" gallery.zts)
rm -f "$out"/[0-9][0-9]-*.png "$out"/contact-sheet.png
cp "$work"/[0-9][0-9]-*.png "$out"/
"$sheetgen" "$out/contact-sheet.png" "$list" 8
echo "gallery.sh: $n screens and contact-sheet.png in $out"
