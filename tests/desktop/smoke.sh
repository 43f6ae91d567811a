#!/usr/bin/env bash
# Smoke test of the desktop program on a real X server: starts Weftsmith on
# the example build file under Xvfb, gives its window the screen's size
# (there is no window manager to maximise it), takes a screenshot of the root
# window and checks that text shows in the reserved-word, string and comment
# colours of the default settings (blue, red, teal).
#   smoke.sh PROGRAM BUILD_FILE OUTPUT_FOLDER
set -euo pipefail
program=$1
build_file=$2
out=$3
mkdir -p "$out"
rm -f "$out/smoke.png"

# Xvfb picks a free display itself and tells its number (-displayfd), so
# no other X server of the machine races for it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || { echo "Xvfb did not start"; cat "$out/xvfb.log"; exit 1; }
export DISPLAY=":$(head -n1 "$out/display")"

# The program runs on the X server whatever platform the caller's shell
# names (QT_QPA_PLATFORM=offscreen is common where Qt tests run headless).
QT_QPA_PLATFORM=xcb "$program" -geometry 1024x768+0+0 "$build_file" >"$out/smoke.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; kill $xvfb 2>/dev/null || true' EXIT
# Wait for the frame to show the document's name, then for it to paint.
for _ in $(seq 1 120); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'site.bld'; then break; fi
  if ! kill -0 $pid 2>/dev/null; then echo "Weftsmith ended early"; cat "$out/smoke.log"; exit 1; fi
  sleep 0.5
done
xwininfo -root -tree | grep -q 'site.bld' || { echo "no window titled with site.bld"; exit 1; }
sleep 2
import -window root "$out/smoke.png"

# Pixels of exactly each colour (glyph stems are drawn in the pure colour).
histogram=$(convert "$out/smoke.png" -format %c histogram:info:-)
status=0
for colour in "reserved:#0000FF" "string:#FF0000" "comment:#008080"; do
  name=${colour%%:*}
  hex=${colour#*:}
  count=$(printf '%s\n' "$histogram" | awk -v hex="$hex" 'index($0, hex) { sum += $1 } END { print sum + 0 }')
  echo "$name $hex: $count pixels"
  if [ "$count" -lt 20 ]; then
    echo "too few $name pixels in $out/smoke.png"
    status=1
  fi
done
exit $status
