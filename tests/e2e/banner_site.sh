#!/bin/sh
# The program with a misbehaving banner site (banner_site.py) as its HTTP proxy; one line per
# observation. Actions: TERM or button (the exit button) while a picture stalls, then a new
# start; settle (the banner left to fetch until the site is quiet), twice.
set -u
program="$1"
scenario="$2"
action="$3"
here=$(cd "$(dirname "$0")" && pwd)
. "$here/lib.sh"
log="$program/../site.log"
python3 "$here/banner_site.py" "$scenario" "$log" &
site=$!
wait_until "[ -s '$log.port' ]" || { echo "no site"; exit 2; }
export http_proxy="http://127.0.0.1:$(cat "$log.port")"
unset no_proxy NO_PROXY HTTP_PROXY https_proxy HTTPS_PROXY
cd "$program" || exit 2

start() {
  ./tavoly &
  pid=$!
  wait_until '[ -n "$(window)" ]' 150 && echo "window shown"
  sleep 0.5
  xdotool windowfocus "$(window)"   # a bare X server activates no window by itself
}
# Until the site has had nothing new for 5 s, at most 60 s.
settle() {
  wait_until "grep -q set.txt '$log' 2>/dev/null" 150 || echo "no refresh"
  last=""
  i=0
  while [ $i -lt 12 ] && [ "$last" != "$(wc -l < "$log")" ]; do
    last=$(wc -l < "$log")
    sleep 5
    i=$((i + 1))
  done
}
pictures_mib() { cat ./*.png 2>/dev/null | wc -c | awk '{print int($1 / 1048576)}'; }

start
case "$action" in
  TERM | button)
    wait_until "grep -q STALL '$log' 2>/dev/null" 150 && echo "download stalled"
    if [ "$action" = TERM ]; then
      kill -TERM $pid
    else
      xdotool mousemove --window "$(window)" "$EXIT_X" "$EXIT_Y" click 1
    fi
    wait_until "! kill -0 $pid 2>/dev/null" 5 && echo "gone within a second"
    wait_exit $pid
    start
    kill -TERM $pid
    wait_exit $pid
    ;;
  settle)
    for run in 1 2; do
      settle
      kill -TERM $pid
      wait_exit $pid
      echo "run $run pictures $(pictures_mib) MiB"
      [ $run = 1 ] && start
    done
    ;;
esac
echo "requests: $(grep -v '^sent ' "$log" | sort -u | tr '\n' ' ')"
kill $site 2>/dev/null
