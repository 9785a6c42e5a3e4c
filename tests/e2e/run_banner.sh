#!/bin/sh
# The program on line through banner_site.py's "banner" scenario as its proxy: the probe finds
# the site, the banner fetches "set.txt" and its picture and shows the first message. One line
# per observation.
set -u
program="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
log="$program/../site.log"
python3 "$here/banner_site.py" banner "$log" &
site=$!
wait_until "[ -s '$log.port' ]" || { echo "no site"; exit 2; }
export http_proxy="http://127.0.0.1:$(cat "$log.port")"
unset no_proxy NO_PROXY HTTP_PROXY https_proxy HTTPS_PROXY
cd "$program" || exit 2

./tavoly x &
pid=$!
wait_until '[ -n "$(window)" ]' 150 && echo "window shown"
sleep 0.5
xdotool windowfocus "$(window)"   # a bare X server activates no window by itself
wait_until '[ -s set.txt ] && [ -s banner.png ]' 150 && echo "fetched"
sleep 6   # the first message comes 4 s after the banner starts
eval "$(xdotool getwindowgeometry --shell "$(window)")"
import -window root ../shot.png
# Inside the banner's picture, right of and below the line of text.
colour=$(convert ../shot.png -format "%[pixel:p{$((X + 280)),$((Y + 70))}]" info:)
echo "banner pixel $colour"
echo "picture asked $(grep -cx 'banner.png' "$log") times"
echo "settings asked $(grep -cx 'set.txt' "$log") times"
kill -TERM $pid
wait_exit $pid
kill $site 2>/dev/null
