#!/bin/sh
# Runs the real program in a bare X server as a user would: start it, see its window, start a
# second copy, click the exit button. Prints one line per observation for the test to check.
set -u
program="$1"
cd "$program" || exit 2
title='"Tavoly? - '

./tavoly &
pid=$!
i=0
while [ $i -lt 150 ] && ! xwininfo -root -tree | grep -q "$title"; do sleep 0.2; i=$((i + 1)); done
if xwininfo -root -tree | grep -q "$title"; then echo "window shown"; else echo "no window"; fi

timeout 30 ./tavoly
echo "second copy ended $?"
sleep 0.5
kill -0 $pid 2>/dev/null && echo "first copy still up"
echo "windows $(xwininfo -root -tree | grep -c "$title")"

window=$(xdotool search --name '^Tavoly\? - ' | head -n 1)
xdotool mousemove --window "$window" "$EXIT_X" "$EXIT_Y" click 1
i=0
while [ $i -lt 100 ] && kill -0 $pid 2>/dev/null; do sleep 0.2; i=$((i + 1)); done
if kill -0 $pid 2>/dev/null; then echo "still running after exit"; kill -9 $pid; else wait $pid; echo "exited $?"; fi
