#!/bin/sh
# Types a nick into the add-new row and, with the row pending, sends a log-out's or kill's signal.
set -u
program="$1"
signal="$2"
. "$(dirname "$0")/lib.sh"
cd "$program" || exit 2
./tavoly x &
pid=$!
wait_until '[ -n "$(window)" ]' 150 && echo "window shown"
sleep 1   # the window is mapped before its grid takes clicks on a loaded machine
xdotool mousemove --window "$(window)" "$ROW_X" "$ROW_Y" click 1
sleep 0.3
xdotool type --delay 50 "$NICK"
sleep 1
kill -"$signal" $pid
wait_exit $pid
