#!/usr/bin/env bash
# The distribution folder: what it holds, and that it works from anywhere.
# usage: dist_test.sh DIST
set -euo pipefail
dist=$1
fail() { echo "FAIL: $*" >&2; exit 1; }

for f in weftsmith-build Install weftsmith.dist alpha pred rules prop Help.htm weftsmith.svg \
         manual/htm/wshelp.htm manual/htm/messages.htm manual/htm/prefs.htm \
         examples/site.bld examples/pages.csv examples/templates/page.htm; do
  [ -f "$dist/$f" ] || fail "missing $f"
done
[ -d "$dist/examples/site" ] || fail "missing the example's output folder"
[ -z "$(ls -A "$dist/examples/site")" ] || fail "the example's output folder is not empty"
for p in weftsmith-build Install; do [ -x "$dist/$p" ] || fail "$p is not executable"; done
if [ -e "$dist/Weftsmith" ]; then [ -x "$dist/Weftsmith" ] || fail "Weftsmith is not executable"; fi
[ -z "$(find "$dist" -name '.*')" ] || fail "dot-files in the distribution folder"
[ -z "$(find "$dist" -name README.md)" ] || fail "a README in the distribution folder"
python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); assert r.tag.endswith("svg"), r.tag' \
  "$dist/weftsmith.svg" || fail "the icon is no SVG"

# Relocatable: a copy in a folder with a blank in its name, started from
# another folder, finds its grammar tables and builds the example.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
cp -a "$dist" "$tmp/moved dist"
cd /
out=$("$tmp/moved dist/weftsmith-build" --check "$tmp/moved dist/examples/site.bld" 2>&1) \
  || fail "check in the moved folder: $out"
[ -z "$out" ] || fail "check said: $out"
out=$("$tmp/moved dist/weftsmith-build" "$tmp/moved dist/examples/site.bld" 2>&1) \
  || fail "build in the moved folder: $out"
[ "$out" = "Information: Build file complete" ] || fail "build said: $out"
grep -q "<h1>About us</h1>" "$tmp/moved dist/examples/site/about.htm" || fail "about.htm not built"
grep -q 'href="index.htm"' "$tmp/moved dist/examples/site/about.htm" || fail "menu not filled"
# Without its grammar tables it says so and stops with status 2.
rm "$tmp/moved dist/pred"
set +e
out=$("$tmp/moved dist/weftsmith-build" "$tmp/moved dist/examples/site.bld" 2>&1); rc=$?
set -e
[ $rc -eq 2 ] || fail "status $rc without the table pred"
case "$out" in *"/moved dist/pred"*) ;; *) fail "no word of the missing table: $out" ;; esac
echo "dist_test: ok"
