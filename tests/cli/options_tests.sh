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

# The man page formats without warnings.
manpage="$src/cli/weftsmith-build.1"
check "man page exists" test -s "$manpage"
check "man page formats without warnings" \
  bash -c "test -z \"\$(groff -ww -man -Tutf8 '$manpage' 2>&1 >/dev/null)\""
groff -man -Tascii -P-cbu "$manpage" >"$work/man.txt" 2>/dev/null
check "man page names every option" bash -c "for o in settings check reformat dry-run \
  watch only-changed gnu-messages help version; do grep -q -- \"--\$o\" '$work/man.txt' || exit 1; done"

finish
