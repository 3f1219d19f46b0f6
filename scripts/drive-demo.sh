#!/usr/bin/env bash
# Drives the stock window on a virtual display as a user would: Enter moves from the year list to
# the start button, Space starts the run; then a screenshot, Escape and Yes on the exit question.
#   drive-demo.sh PROGRAM SCREENSHOT.png      (run inside xvfb-run, in the demo directory)
set -euo pipefail
program=$1
shot=$2
"$program" 503 1 DEMO - 3 &
pid=$!
window=""
for _ in $(seq 50); do
    window=$(xdotool search --name 'คำนวน' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.2
done
[ -n "$window" ] || { echo "drive-demo: the window did not open" >&2; kill "$pid"; exit 1; }
sleep 1
xdotool windowfocus --sync "$window"
xdotool key Return
sleep 0.3
xdotool key space
sleep 5
import -window root "$shot"
xdotool key Escape
sleep 1
xdotool key Return
wait "$pid"
