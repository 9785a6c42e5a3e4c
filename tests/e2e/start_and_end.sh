#!/bin/sh
# Starts the program under the given executable name from its folder and ends it as a log-out does.
set -u
program="$1"
exe="$2"
. "$(dirname "$0")/lib.sh"
cd "$program" || exit 2
"./$exe" &
pid=$!
wait_until '[ -n "$(window)" ]' 150 && echo "window shown"
sleep 1
kill -TERM $pid
wait_exit $pid
