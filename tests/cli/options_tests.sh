#!/usr/bin/env bash
# End-to-end tests of weftsmith-build's options for real sites: --dry-run,
# --only-changed, --gnu-messages, --watch, --help, --version, the man page.
set -u
src=${1:?source folder}
source "$(dirname "$0")/lib.sh"

site="$work/site"
mkdir -p "$site/out"
crlf 'Name,Title' 'out/a,Alpha' 'out/b,Beta' >"$site/pages.csv"
printf '<h1>%%%%title%%%%</h1>' >"$site/tpl.htm"
crlf 'repeat p "pages.csv"' '  new p:"Name"' '    include "tpl.htm"' \
  '    tag "title" p:"Title"' '  end' 'end' >"$site/site.bld"
# The folder tree with bytes, times and inodes, to compare before and after.
snapshot() { find "$1" -printf '%p %s %T@ %i\n' | sort; find "$1" -type f -exec md5sum {} + | sort; }

# --help, --version and unknown options.
run --help
check "--help exits 0" test "$status" -eq 0
check "--help names every option" bash -c "for o in --settings --check --reformat --dry-run \
  --watch --only-changed --gnu-messages --help --version; do grep -q -- \"\$o\" '$work/out' || exit 1; done"
check "--help names the exit statuses" grep -q "Exit status" "$work/out"
run --version
check "--version" grep -qx "weftsmith-build [0-9.]*" "$work/out"
run --frobnicate "$site/site.bld"
check "unknown option exits 2" test "$status" -eq 2
check "unknown option prints the usage line" grep -q "^usage: weftsmith-build" "$work/err"
run --dry-run --watch "$site/site.bld"
check "two modes exit 2" test "$status" -eq 2

# --dry-run: the three labels, and nothing on disk changed.
crlf 'Name,Title' 'out/a,Alpha' 'out/b,Beta' 'out/c,Gamma' >"$site/pages.csv"
"$bin" "$site/site.bld" >/dev/null 2>&1
rm "$site/out/a"
printf 'stale' >"$site/out/b"
before=$(snapshot "$site")
run --dry-run "$site/site.bld"
check "dry run exits 0" test "$status" -eq 0
check "dry run: new page" grep -qx "new $site/out/a" "$work/out"
check "dry run: changed page" grep -qx "changed $site/out/b" "$work/out"
check "dry run: unchanged page" grep -qx "unchanged $site/out/c" "$work/out"
check "dry run changes nothing on disk" test "$before" = "$(snapshot "$site")"
crlf 'new "nofolder/x.htm"' 'end' >"$site/nofolder.bld"
run --dry-run "$site/nofolder.bld"
check "dry run: a missing folder stops as a real run would" test "$status" -eq 1
check "dry run: the missing folder is named" grep -q "^Error: Folder .*nofolder does not exist!" "$work/err"

# --only-changed: unchanged pages keep their time and inode; changed ones are rewritten.
"$bin" "$site/site.bld" >/dev/null 2>&1
stamp() { stat -c '%y %i' "$1"; }
touch -d '2001-01-01' "$site/out/a" "$site/out/b"
a_before=$(stamp "$site/out/a")
b_before=$(stamp "$site/out/b")
crlf 'Name,Title' 'out/a,Alpha' 'out/b,Beta 2' 'out/c,Gamma' >"$site/pages.csv"
run --only-changed "$site/site.bld"
check "only-changed exits 0" test "$status" -eq 0
check "only-changed keeps an unchanged page's time and inode" test "$a_before" = "$(stamp "$site/out/a")"
check "only-changed rewrites a changed page" test "$b_before" != "$(stamp "$site/out/b")"
check "only-changed writes the new bytes" grep -q "Beta 2" "$site/out/b"

# --gnu-messages: a checker error, a compiler error in a nested file, a run-time message.
crlf 'new "a.htm"' '  tag "a" "b" "c"' 'end' >"$site/bad.bld"
run --gnu-messages "$site/bad.bld"
check "GNU form of a checker error" \
  grep -qx "$site/bad.bld:2: error: Too many parameters for \`tag\` command on line: 2" "$work/err"
crlf 'new "x.htm"' 'end' 'end' >"$site/inner.bld"
crlf 'run "inner.bld"' >"$site/outer.bld"
run --gnu-messages "$site/outer.bld"
check "GNU form names the nested build file" \
  grep -qx "$site/inner.bld:3: error: Syntax error - too much - \`end\`  in file: $site/inner.bld" "$work/err"
crlf 'new "x.htm"' '  include "tpl.htm" "nosuchtag"' 'end' >"$site/rt.bld"
run --gnu-messages "$site/rt.bld"
check "GNU form of a run-time message" \
  grep -qx "weftsmith-build: warning: there is no tag : nosuchtag in file: $site/tpl.htm" "$work/err"
check "run-time message exits 1" test "$status" -eq 1

# --watch: rebuilds on changes of what the build read, survives a failed build,
# watches files that appear later, and ends with exit 0 on SIGINT.
watchlog="$work/watch.log"
"$bin" --watch "$site/site.bld" >"$work/watch.out" 2>"$watchlog" &
watcher=$!
builds() { grep -c -E '(pages written|build stopped)' "$watchlog"; }
await() {  # await N: waits until N builds are logged
  for _ in $(seq 1 100); do
    [ "$(builds)" -ge "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
check "watch builds at start" await 1
printf '<h2>%%%%title%%%%</h2>' >"$site/tpl.htm"
check "watch rebuilds after an include changed" await 2
check "watch wrote the new include" grep -q "<h2>Alpha</h2>" "$site/out/a"
crlf 'Name,Title' 'out/a,Alpha 3' 'out/b,Beta 2' 'out/c,Gamma' >"$site/pages.csv"
check "watch rebuilds after the data file changed" await 3
check "watch wrote the new record" grep -q "Alpha 3" "$site/out/a"
check "only changed pages counted" grep -q "1 pages written (2 unchanged)" "$watchlog"
crlf 'new "out/n"' '  tag "q" "x"' '  include "nothere.htm"' 'end' >"$site/site.bld"
check "watch reports a failed build" await 4
check "the failed build's message is on its line" grep -q "build stopped: Cannot open file" "$watchlog"
printf 'NEW' >"$site/nothere.htm"
check "watch rebuilds when the missing include appears" await 5
check "watch built with the new include" grep -q "NEW" "$site/out/n"
crlf 'run "inner2.bld"' >"$site/site.bld"
crlf 'new "out/i"' '  include "tpl.htm"' 'end' >"$site/inner2.bld"
check "watch rebuilds after the build file changed" await 6
crlf 'new "out/i"' '  include "nothere.htm"' 'end' >"$site/inner2.bld"
check "watch rebuilds after a nested build file changed" await 7
check "watch wrote the nested file's new page" grep -q "NEW" "$site/out/i"
check "watch still runs" kill -0 "$watcher"
kill -INT "$watcher"
wait "$watcher"
check "SIGINT ends the watch with exit 0" test "$?" -eq 0

# --watch while a build runs. The builds are long (a loop over a big data
# file), so that the test acts during them; that a build has come to a read
# is seen from the watch on the file's folder. A change to a file the build
# has read gives exactly one more build, the first build included; a change
# to a file it reads later, or to none of its files, gives none; folders no
# longer read are no longer watched; SIGINT stops a build at once.
long="$work/long"
mkdir -p "$long/parts1" "$long/parts2" "$long/out"
seq 1 100000 | awk 'BEGIN { printf "Name,V\r\n" } { printf "out/p%d.htm,v%d\r\n", $1, $1 }' \
  >"$long/big.csv"
crlf 'Name,Include' 'out/first.htm,parts1/inc.htm' >"$long/first.csv"
printf 'INC1' >"$long/parts1/inc.htm"
printf 'INC2' >"$long/parts2/inc.htm"
printf 'LATE1' >"$long/late.htm"
printf '<p>%%%%v%%%%</p></html>' >"$long/tpl.htm"
crlf 'repeat f "first.csv"' '  new f:"Name"' '    include f:"Include"' '  end' 'end' \
  'repeat r "big.csv"' '  set x r:"V"' 'end' 'new "out/last.htm"' '  include "late.htm"' 'end' \
  >"$long/site.bld"
longlog="$work/long.log"
"$bin" --watch "$long/site.bld" >/dev/null 2>"$longlog" &
watcher=$!
lines() { grep -c -E '(pages written|build stopped)' "$longlog"; }
ended() { [ "$(lines)" -ge "$1" ]; }  # ended N: N builds have ended
# watched FOLDER: the watcher's inotify descriptors hold a watch on FOLDER's inode.
watched() { grep -q "ino:$(printf '%x' "$(stat -c %i "$1")") " /proc/"$watcher"/fdinfo/* 2>/dev/null; }
page() {  # page FILE TEXT: the page holds the one line TEXT (after the blank first line)
  local bytes
  IFS= read -r -d '' bytes <"$1"
  [ "$bytes" = $'\r\n'"$2"$'\r\n' ]
}
check "the first build watches a folder before it reads there" waitfor 60 watched "$long/parts1"
printf 'INC1 saved' >"$long/parts1/inc.htm"
crlf 'Name,Include' 'out/first.htm,parts2/inc.htm' >"$long/first.csv"
check "the files were saved during the first build" test "$(lines)" -eq 0
check "a save during the first build is built" waitfor 60 watched "$long/parts2"
printf 'LATE2' >"$long/late.htm"  # read at the end of the build
printf 'not read' >"$long/other.htm"
check "the second build ends" waitfor 60 ended 2
check "the second build read the data file's change" page "$long/out/first.htm" INC2
check "the second build read late.htm after its save" page "$long/out/last.htm" LATE2
check "a folder no longer read is no longer watched" bash -c "! grep -q \
  'ino:$(printf '%x' "$(stat -c %i "$long/parts1")") ' /proc/$watcher/fdinfo/*"

# SIGINT during a build that writes a page per record: it ends at once with
# status 0, long before the last page, and every page written is whole.
# Before it, time for a needless third build to begin (one would begin
# 150 ms after the second).
sleep 1
crlf 'repeat r "big.csv"' '  new r:"Name"' '    include "tpl.htm"' '    tag "v" r:"V"' '  end' \
  'end' >"$long/site.bld"
check "the page build begins" waitfor 60 test -e "$long/out/p50.htm"
kill -INT "$watcher"
check "SIGINT ends a build in progress" waitfor 20 bash -c "! kill -0 $watcher 2>/dev/null"
wait "$watcher"
check "SIGINT during a build exits 0" test "$?" -eq 0
check "the build was stopped" grep -q "build stopped: Build stopped" "$longlog"
check "one build per change made during a build" test "$(lines)" -eq 3
pages=$(find "$long/out" -name 'p*.htm' | wc -l)
check "the build stopped long before its end" test "$pages" -lt 90000
whole=0
for file in "$long"/out/p*.htm; do
  n=${file##*/p}
  page "$file" "<p>v${n%.htm}</p></html>" && whole=$((whole + 1))
done
check "every page written is whole ($whole of $pages)" test "$whole" -eq "$pages"

# A failing poll ends the watch with status 2 and names the failure: with
# one descriptor allowed, poll refuses two. The leak check needs descriptors
# of its own at the exit, so it is off for this run.
crlf 'new "out/t.htm"' '  include "late.htm"' 'end' >"$long/t.bld"
polllog="$work/poll.log"
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
  "$bin" --watch "$long/t.bld" >/dev/null 2>"$polllog" &
watcher=$!
check "a small watch builds" waitfor 60 grep -q "pages written" "$polllog"
check "the descriptor limit is lowered" prlimit --pid "$watcher" --nofile=1:1
printf 'LATE3' >"$long/late.htm"
check "a failed poll ends the watch" waitfor 20 bash -c "! kill -0 $watcher 2>/dev/null"
kill -KILL "$watcher" 2>/dev/null
wait "$watcher"
check "a failed poll exits 2" test "$?" -eq 2
check "a failed poll is named" \
  grep -qx "weftsmith-build: cannot wait for changes: poll: Invalid argument" "$polllog"

# The man page formats without warnings.
manpage="$src/cli/weftsmith-build.1"
check "man page exists" test -s "$manpage"
check "man page formats without warnings" \
  bash -c "test -z \"\$(groff -ww -man -Tutf8 '$manpage' 2>&1 >/dev/null)\""
groff -man -Tascii -P-cbu "$manpage" >"$work/man.txt" 2>/dev/null
check "man page names every option" bash -c "for o in settings check reformat dry-run \
  watch only-changed gnu-messages help version; do grep -q -- \"--\$o\" '$work/man.txt' || exit 1; done"

finish
