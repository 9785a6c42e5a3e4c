#!/bin/sh
# The real program on line through a proxy of the test's own: the probe reports the site
# reachable, the banner fetches "set.txt" and its picture and shows the first message. Prints
# one line per observation.
set -u
program="$1"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
cd "$program" || exit 2
python3 "$here/banner_site.py" ../requests.log > ../port &
site=$!
wait_until '[ -s ../port ]'
export http_proxy="http://127.0.0.1:$(cat ../port)"
export no_proxy=""

./tavoly x &
pid=$!
wait_until '[ -n "$(window)" ]' 150 && echo "window shown"
window=$(window)
xdotool windowfocus "$window"   # a bare X server activates no window by itself
wait_until '[ -s set.txt ] && [ -s banner.png ]' 150 && echo "fetched"
sleep 6   # the first message comes 4 s after the banner starts
eval "$(xdotool getwindowgeometry --shell "$window")"
import -window root ../shot.png
# Inside the banner's picture, right of and below the line of text.
colour=$(convert ../shot.png -format "%[pixel:p{$((X + 280)),$((Y + 70))}]" info:)
echo "banner pixel $colour"
echo "picture asked $(grep -c 'banner.png' ../requests.log) times"
echo "settings asked $(grep -c 'set.txt' ../requests.log) times"
kill $pid
wait $pid
echo "exited $?"
kill $site
