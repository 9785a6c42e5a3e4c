# Shared by the end-to-end scripts, sourced after `set -u`.

# A condition, tried every 0.2 s, up to $2 times (50: 10 s); the first success counts.
wait_until() {
  i=0
  while [ $i -lt "${2:-50}" ]; do
    eval "$1" && return 0
    sleep 0.2
    i=$((i + 1))
  done
  return 1
}
window() { xdotool search --name '^Tavoly\? - ' 2>/dev/null | head -n 1; }
# Up to 20 s for the program to end by itself; says how it ended, after the label if one is given.
wait_exit() {   # pid [label]
  wait_until "! kill -0 $1 2>/dev/null" 100
  if kill -0 "$1" 2>/dev/null; then echo "${2:+$2 }still running after exit"; kill -9 "$1"
  else wait "$1"; echo "${2:+$2 }exited $?"; fi
}
