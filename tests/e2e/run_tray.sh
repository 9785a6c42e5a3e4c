#!/bin/sh
# The program beside a real notification area (trayer) in a bare X server: the window and the
# icon appear, a second copy ends at once, the close box hides the window, a left click on the
# icon brings it back and the exit button ends the program; then the autostart entry the
# program wrote starts it again, hidden in the tray, and the exit item of the icon's options
# menu ends it. Prints one line per observation; with a second argument, leaves screenshots in
# that folder.
set -u
program="$1"
shots="${2:-}"
here=$(dirname "$0")
. "$here/lib.sh"
cd "$program" || exit 2

icon_line() { xwininfo -root -tree | grep '"tavoly": ("tavoly" "tavoly")'; }
mapped() { xwininfo -id "$(window)" | grep -q 'IsViewable'; }
hidden() { xwininfo -id "$(window)" | grep -q 'IsUnMapped'; }
click_icon() {   # button
  geometry=$(icon_line | head -n 1 | awk '{print $(NF-1), $NF}')
  size=${geometry%%x*}
  at=${geometry#* +}
  xdotool mousemove $(( ${at%+*} + size / 2 )) $(( ${at#*+} + size / 2 )) click "$1"
}
menu_up() { [ "$(xwininfo -root -tree | grep -c '("tavoly" "tavoly")')" -gt 2 ]; }   # window, icon, menu
shot() { [ -n "$shots" ] && import -window root "$shots/$1.png"; }

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 26 \
  --transparent false --tint 0x707070 &
tray=$!
sleep 1

./tavoly &
pid=$!
wait_until '[ -n "$(window)" ] && mapped' 150 && echo "window shown"
wait_until '[ -n "$(icon_line)" ]' && echo "icon shown"
shot window

timeout 30 ./tavoly
echo "second copy ended $?"
echo "windows $(xwininfo -root -tree | grep -c '"Tavoly? - ')"

python3 "$here/close_window.py" "$(window)"
wait_until hidden && echo "closed to the tray"
kill -0 $pid 2>/dev/null && echo "still running"

click_icon 1
wait_until mapped && echo "back on a click"
xdotool mousemove --window "$(window)" "$EXIT_X" "$EXIT_Y" click 1
wait_exit $pid

gio launch "$XDG_CONFIG_HOME/autostart/tavoly.desktop"
wait_until '[ -n "$(icon_line)" ]' && echo "entry started in the tray"
sleep 1
hidden && echo "entry started hidden"
click_icon 3
wait_until menu_up && echo "menu shown"
shot menu
xdotool key Up Return
wait_until '[ -z "$(window)" ]' && echo "entry's copy exited"

kill $tray 2>/dev/null
