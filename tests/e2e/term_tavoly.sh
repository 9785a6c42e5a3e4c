#!/bin/sh
# Runs the real program in a bare X server, types a nick into the add-new row and, with the
# row still pending, sends the signal a desktop log-out or `kill` sends. Prints what it saw.
set -u
program="$1"
signal="$2"
cd "$program" || exit 2
./tavoly x &
pid=$!
i=0
while [ $i -lt 150 ] && ! xdotool search --name '^Tavoly\? - ' >/dev/null 2>&1; do sleep 0.2; i=$((i + 1)); done
window=$(xdotool search --name '^Tavoly\? - ' | head -n 1)
[ -n "$window" ] && echo "window shown"
sleep 1   # the window is mapped before its grid takes clicks on a loaded machine
xdotool mousemove --window "$window" "$ROW_X" "$ROW_Y" click 1
sleep 0.3
xdotool type --delay 50 "$NICK"
sleep 1
kill -"$signal" $pid
i=0
while [ $i -lt 100 ] && kill -0 $pid 2>/dev/null; do sleep 0.1; i=$((i + 1)); done
if kill -0 $pid 2>/dev/null; then echo "still running"; kill -9 $pid; else wait $pid; echo "exited $?"; fi
