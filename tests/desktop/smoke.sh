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

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$program" "$build_file" "$out" <<'INNER'
set -euo pipefail
program=$1; build_file=$2; out=$3
"$program" -geometry 1024x768+0+0 "$build_file" >"$out/smoke.log" 2>&1 &
pid=$!
trap 'kill $pid 2>/dev/null || true; wait $pid 2>/dev/null || true' EXIT
# Wait for the frame to show the document's name, then for it to paint.
for _ in $(seq 1 120); do
  if xwininfo -root -tree 2>/dev/null | grep -q 'site.bld'; then break; fi
  if ! kill -0 $pid 2>/dev/null; then echo "Weftsmith ended early"; cat "$out/smoke.log"; exit 1; fi
  sleep 0.5
done
xwininfo -root -tree | grep -q 'site.bld' || { echo "no window titled with site.bld"; exit 1; }
sleep 2
import -window root "$out/smoke.png"
INNER

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
