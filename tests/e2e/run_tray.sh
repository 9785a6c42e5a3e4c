#!/bin/sh
# The program beside a real notification area (trayer) in a bare X server; one line per observation.
set -u
program="$1"
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

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 26 \
  --transparent false --tint 0x707070 &
tray=$!
sleep 1

./tavoly &
pid=$!
wait_until '[ -n "$(window)" ] && mapped' 150 && echo "window shown"
wait_until '[ -n "$(icon_line)" ]' && echo "icon shown"

timeout 30 ./tavoly
echo "second copy ended $?"
kill -0 $pid 2>/dev/null && echo "first copy still up"
echo "windows $(xwininfo -root -tree | grep -c '"Tavoly? - ')"

python3 "$here/close_window.py" "$(window)"
wait_until hidden && echo "closed to the tray"
kill -0 $pid 2>/dev/null && echo "still running"

menu_up() { [ "$(xwininfo -root -tree | grep -c '("tavoly" "tavoly")')" -gt 2 ]; }   # window, icon, menu
exit_from_menu() {   # which
  click_icon 3
  wait_until menu_up && echo "$1 menu shown"
  xdotool key Up Return
}

click_icon 1
wait_until mapped && echo "back on a click"
exit_from_menu first
wait_exit $pid "by the menu"

# The start-up entry the program wrote starts it hidden in the tray.
gio launch "$XDG_CONFIG_HOME/autostart/tavoly.desktop"
wait_until '[ -n "$(icon_line)" ]' 150 && echo "entry started in the tray"
sleep 1
hidden && echo "entry started hidden"
exit_from_menu second
wait_until '[ -z "$(window)" ]' 100 && echo "entry's copy exited"

./tavoly &
pid=$!
wait_until '[ -n "$(window)" ] && mapped' 150 && echo "window shown again"
xdotool mousemove --window "$(window)" "$EXIT_X" "$EXIT_Y" click 1
wait_exit $pid "by the button"

kill $tray 2>/dev/null
