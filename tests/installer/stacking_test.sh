#!/usr/bin/env bash
# Install on a real X server under a stacking window manager (Xvfb with
# openbox), read from the server's stacking order:
# 1. started from the build's bin folder, which is no distribution folder, it
#    shows why in a box, ends with status 2 when the box's OK is clicked, and
#    copies nothing;
# 2. started from the distribution folder, Cancel on the wizard opens the quit
#    question above the wizard (the wizard stays on top of the background, so
#    a question that belonged to the background would open behind it); a click
#    on the question's Cancel keeps the setup, a click on its OK ends it.
# Every wait is bounded; a screenshot of the screen with the question is kept
# as OUTPUT_FOLDER/quit-question.png.
#   stacking_test.sh DIST_FOLDER BIN_FOLDER OUTPUT_FOLDER
set -euo pipefail
dist=$1
bin=$2
out=$3
for tool in Xvfb xdpyinfo openbox xprop xwininfo xdotool import; do
  command -v $tool >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps installs it)" >&2; exit 1; }
done
mkdir -p "$out"
rm -f "$out/quit-question.png"

work=$(mktemp -d)
started=()
cleanup() {
  for pid in "${started[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${started[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  [ -z "${DISPLAY:-}" ] || import -window root "$out/stacking-failure.png" 2>/dev/null || true
  for log in "$work"/*.log; do [ -s "$log" ] && { echo "--- $(basename "$log")"; cat "$log"; }; done >&2
  exit 1
}

# Nothing reaches the real home of whoever runs the test.
export HOME=$work/home XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_CACHE_HOME=$work/cache XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
# The session bus library leaks a buffer at exit when there is no bus; the
# programs' own leaks are still reported.
echo "leak:libdbus-1.so" >"$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# poll TENTHS COMMAND...: runs COMMAND every 0.1 s until it succeeds, at most
# TENTHS times.
poll() {
  local tries=$1
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# The X server on a display number of its own choosing.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
started+=($!)
poll 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(head -n1 "$work/display")
poll 100 xdpyinfo >/dev/null 2>&1 || fail "Xvfb does not answer on $DISPLAY"
openbox --sm-disable >"$work/openbox.log" 2>&1 &
started+=($!)
managed() { xprop -root _NET_SUPPORTING_WM_CHECK _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q "window id"; }
poll 100 managed || fail "openbox did not start"

# The managed windows, bottom to top, as decimal ids.
stacking() {
  xprop -root _NET_CLIENT_LIST_STACKING | sed -n 's/^.*# //p' | tr ',' '\n' |
    while read -r id; do [ -n "$id" ] && printf '%d\n' "$id"; done
}
title() { xprop -id "$1" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
transient_for() { xprop -id "$1" WM_TRANSIENT_FOR | sed -n 's/^.*# //p'; }
# window_titled PATTERN [EXCEPT...]: the topmost window whose title matches,
# other than the windows EXCEPT; fails when there is none.
window_titled() {
  local pattern=$1 id found=""
  shift
  for id in $(stacking); do
    [[ " $* " == *" $id "* ]] && continue
    [[ "$(title "$id")" == $pattern ]] && found=$id
  done
  [ -n "$found" ] && echo "$found"
}
found() { window=$(window_titled "$@"); }
gone() { ! stacking | grep -qx "$1"; }
ended() { ! kill -0 "$1" 2>/dev/null; }
# click WINDOW N: clicks the Nth button from the right (1: the rightmost) of
# the row of buttons at the bottom of a wizard page or message box: buttons
# are 80 pixels wide or more, 6 apart, 11 from the window's right and bottom
# edges, and 23 high. Waits for the window to be mapped first.
click() {
  local geometry width height
  poll 50 viewable "$1" || return 1
  geometry=$(xwininfo -id "$1" | sed -n 's/^ *\(Width\|Height\): //p' | tr '\n' ' ')
  read -r width height <<<"$geometry"
  xdotool mousemove --window "$1" $((width - 11 - 40 - ($2 - 1) * 86)) $((height - 22)) click 1
}
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: IsViewable"; }
# click_until WINDOW N COMMAND...: clicks until COMMAND holds, checking for two
# seconds after each click; a click that comes before a new window takes input
# is lost, so it is given three tries.
click_until() {
  local target=$1 button=$2
  shift 2
  for _ in 1 2 3; do
    click "$target" "$button" || true
    poll 20 "$@" && return 0
  done
  return 1
}
# above A B: window A stands above window B in the stacking order.
above() {
  local order
  order=$(stacking)
  local a b
  a=$(grep -nx "$1" <<<"$order" | cut -d: -f1)
  b=$(grep -nx "$2" <<<"$order" | cut -d: -f1)
  [ -n "$a" ] && [ -n "$b" ] && [ "$a" -gt "$b" ]
}

# ends_with PID STATUS WHAT: the program ends with STATUS, having written
# nothing into the home folder.
ends_with() {
  local status
  poll 100 ended "$1" || fail "$3: did not end"
  set +e
  wait "$1"
  status=$?
  set -e
  [ "$status" -eq "$2" ] || fail "$3: ended with status $status"
  [ -z "$(ls -A "$HOME")" ] || fail "$3: wrote into the home folder: $(ls -A "$HOME")"
}

# ---- 1. started from the build's bin folder ----
QT_QPA_PLATFORM=xcb "$bin/Install" >"$work/bin-install.log" 2>&1 &
setup=$!
started+=($setup)
poll 200 found "Weftsmith Setup" || fail "no box from $bin/Install"
box=$window
click_until "$box" 1 gone "$box" || fail "the box from $bin/Install stayed after OK"
ends_with $setup 2 "$bin/Install after OK"
grep -q "is none: it lacks the file" "$work/bin-install.log" || fail "no reason given on stderr"

# ---- 2. started from the distribution folder ----
QT_QPA_PLATFORM=xcb "$dist/Install" >"$work/install.log" 2>&1 &
setup=$!
started+=($setup)
poll 200 found "Welcome*" || fail "no wizard"
wizard=$window
poll 100 found "Weftsmith Setup" "$wizard" || fail "no background"
background=$window
above "$wizard" "$background" || fail "the wizard is not above the background"

# ask: Cancel on the wizard, then the quit question must stand above the
# wizard, belong to it, and be the topmost window once the window manager has
# placed it.
topmost() { [ "$(stacking | tail -n1)" = "$1" ]; }
ask() {
  click_until "$wizard" 1 found "*" "$wizard" "$background" || fail "no quit question after Cancel"
  question=$window
  poll 20 viewable "$question" || fail "the quit question is not shown"
  poll 20 topmost "$question" || fail "the quit question is not the topmost window"
  above "$question" "$wizard" || fail "the quit question stands below the wizard"
  [ "$(printf '%d' "$(transient_for "$question")")" = "$wizard" ] ||
    fail "the quit question does not belong to the wizard"
}

ask
import -window root "$out/quit-question.png"
click_until "$question" 1 gone "$question" || fail "the quit question stayed after a click on Cancel"
ended $setup && fail "Install ended on Cancel"
stacking | grep -qx "$wizard" || fail "the wizard went away on Cancel"

ask
click_until "$question" 2 gone "$question" || fail "the quit question stayed after a click on OK"
ends_with $setup 0 "Install after OK on the quit question"
echo "stacking_test: ok"
