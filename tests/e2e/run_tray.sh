#!/bin/sh
# The program beside a real notification area (trayer) in a bare X server: the icon appears,
# the close box hides the window, a left click on the icon brings it back, a right click opens
# the options menu and its exit item ends the program; then the autostart entry the program
# wrote starts it again, hidden in the tray. Prints one line per observation; with a second
# argument, leaves screenshots in that folder.
set -u
program="$1"
shots="${2:-}"
here=$(dirname "$0")
cd "$program" || exit 2

# A condition, tried for up to 10 s; the first success counts (a second look could meet a
# window that vanished while xwininfo walked the tree).
wait_until() {
  i=0
  while [ $i -lt 50 ]; do
    eval "$1" && return 0
    sleep 0.2
    i=$((i + 1))
  done
  return 1
}
icon_line() { xwininfo -root -tree | grep '"tavoly": ("tavoly" "tavoly")'; }
window() { xdotool search --name '^Tavoly\? - ' | head -n 1; }
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
exit_from_menu() {
  click_icon 3
  wait_until menu_up && echo "$1 menu shown"
  shot "$1-menu"
  xdotool key Up Return
}

trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 26 \
  --transparent false --tint 0x707070 &
tray=$!
sleep 1

./tavoly &
pid=$!
wait_until '[ -n "$(window)" ] && mapped' && echo "window shown"
wait_until '[ -n "$(icon_line)" ]' && echo "icon shown"
shot window

python3 "$here/close_window.py" "$(window)"
wait_until hidden && echo "closed to the tray"
kill -0 $pid 2>/dev/null && echo "still running"

click_icon 1
wait_until mapped && echo "back on a click"

exit_from_menu first
i=0
while [ $i -lt 50 ] && kill -0 $pid 2>/dev/null; do sleep 0.2; i=$((i + 1)); done
if kill -0 $pid 2>/dev/null; then echo "still running after exit"; kill -9 $pid; else wait $pid; echo "exited $?"; fi

gio launch "$XDG_CONFIG_HOME/autostart/tavoly.desktop"
wait_until '[ -n "$(icon_line)" ]' && echo "entry started in the tray"
sleep 1
hidden && echo "entry started hidden"
exit_from_menu second
wait_until '[ -z "$(window)" ]' && echo "entry's copy exited"

kill $tray 2>/dev/null
