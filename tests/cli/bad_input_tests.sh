#!/usr/bin/env bash
# End-to-end tests of weftsmith-build on bad and oversized input: each case
# must end with a clear message and the expected exit status, and leave the
# files that were there as they were. Big inputs are made here, not stored.
set -u
source "$(dirname "$0")/lib.sh"
chmod 755 "$work"  # another user reads the permission case's files
# The standard error is exactly one line: the message given.
one_error() { test "$(cat "$work/err")" = "$1"; }
# The folder's old output is still there, unchanged, with no temporary beside it.
old_output_kept() {
  test "$(cat "$1/out.htm")" = "previous" && ! ls "$1" | grep -q 'weftsmith-tmp'
}
fresh() {  # fresh NAME: a folder with an old output file
  mkdir -p "$work/$1"
  printf 'previous' >"$work/$1/out.htm"
  echo "$work/$1"
}

# A build file of 100,000 lines stops at the program's instruction limit.
d=$(fresh long)
{
  crlf 'new "out.htm"'
  awk 'BEGIN { for (i = 0; i < 100000; i++) printf "set x%d \"v\"\r\n", i }'
  crlf 'end'
} >"$d/site.bld"
run "$d/site.bld"
check "100,000 lines exit 1" test "$status" -eq 1
check "100,000 lines name the limit" one_error "Error: Syntax error - the program needs more than 300 instructions"
check "100,000 lines keep the old output" old_output_kept "$d"

# Lines of a megabyte: as junk, and as a quoted text.
d=$(fresh mega)
mega=$(head -c 1048576 /dev/zero | tr '\0' a)
{ crlf 'new "out.htm"' "$mega" 'end'; } >"$d/junk.bld"
run "$d/junk.bld"
check "megabyte junk line exits 1" test "$status" -eq 1
check "megabyte junk line is named" one_error "Error: Missing or Misspelled command on line: 2"
check "megabyte junk line keeps the old output" old_output_kept "$d"
{ crlf 'new "out.htm"' "tag \"t\" \"$mega" 'end'; } >"$d/open.bld"
run "$d/open.bld"
check "megabyte unclosed quote is named" one_error "Error: Closing quotation mark is missing on line: 2"
crlf '<%%t%%>' >"$d/t.htm"
{ crlf 'new "big.htm"' 'include "t.htm"' "tag \"t\" \"$mega\"" 'end'; } >"$d/text.bld"
run "$d/text.bld"
check "megabyte quoted text builds" test "$status" -eq 0
check "megabyte quoted text is written whole" cmp -s "$d/big.htm" <(printf '\r\n<%s> \r\n' "$mega")

# Blocks nested 10,000 deep end at the parse stack.
d=$(fresh nest)
awk 'BEGIN { for (i = 0; i < 10000; i++) printf "new \"out.htm\"\r\n";
             for (i = 0; i < 10000; i++) printf "end\r\n" }' >"$d/site.bld"
run "$d/site.bld"
check "deep nesting exits 1" test "$status" -eq 1
check "deep nesting names the parse stack" \
  one_error "Error: Syntax error - the blocks are nested too deeply: the parse stack holds 255 entries"
check "deep nesting keeps the old output" old_output_kept "$d"

# A data file of 100,000 records and one with a 10 MB record.
d=$(fresh data)
awk 'BEGIN { printf "Name,City\r\n"; for (i = 0; i < 100000; i++) printf "n%d,c%d\r\n", i, i }' >"$d/big.csv"
printf '%%%%a%%%% %%%%b%%%%' >"$d/t.htm"
crlf 'repeat r "big.csv"' '  set a r:1' '  set b r:"City"' 'end' \
  'new "out.htm"' '  include "t.htm"' '  tag "a" a' '  tag "b" b' 'end' >"$d/site.bld"
run "$d/site.bld"
check "100,000 records build" test "$status" -eq 0
check "100,000 records: the last one is read" cmp -s "$d/out.htm" <(printf '\r\nn99999 c99999\r\n')
{
  printf 'Name,City\r\n'
  head -c 10485760 /dev/zero | tr '\0' x
  printf ',last\r\n'
} >"$d/wide.csv"
crlf 'repeat r "wide.csv"' '  set b r:"City"' 'end' \
  'new "wide.htm"' '  include "t.htm"' '  tag "b" b' 'end' >"$d/wide.bld"
run "$d/wide.bld"
check "10 MB record builds" test "$status" -eq 0
check "10 MB record: the field after it is read" grep -q ' last' "$d/wide.htm"
crlf 'repeat r "wide.csv"' '  set b r:3' 'end' 'new "out.htm"' 'end' >"$d/column.bld"
printf 'previous' >"$d/out.htm"
run "$d/column.bld"
check "10 MB record: a column past the end exits 1" test "$status" -eq 1
check "10 MB record: a column past the end is named" \
  one_error "Error: there is no such column number: 3 in: $d/wide.csv"
check "10 MB record: the old output stays" old_output_kept "$d"

# Binary junk (NUL, 0xFF, lone CRs among random bytes) as build file, included
# file and data file.
d=$(fresh junk)
{
  head -c 100000 /dev/urandom
  printf '\0\377\r\r\0'
} >"$d/junk.bin"
run "$d/junk.bin"
check "junk build file stops" test "$status" -eq 1 -o "$status" -eq 2
check "junk build file gives one error" test "$(grep -c '^Error: ' "$work/err")" -eq 1
check "junk build file keeps the old output" old_output_kept "$d"
{ printf '{\\rtf1 '; cat "$d/junk.bin"; } >"$d/junk.rtf"
run "$d/junk.rtf"
# Random bytes inside an RTF document may read as no command at all (all of
# it in groups the reader skips), which is an empty build file: it may end
# either way, but never by a crash, and the old output stays.
check "junk behind an RTF header ends with a status of the contract" test "$status" -le 2
check "junk behind an RTF header keeps the old output" old_output_kept "$d"
crlf 'new "inc.htm"' 'include "junk.bin"' 'end' >"$d/include.bld"
run "$d/include.bld"
check "junk included file builds" test "$status" -eq 0
check "junk included file is written" test -s "$d/inc.htm"
crlf 'repeat r "junk.bin"' '  set a r:1' 'end' >"$d/data.bld"
run "$d/data.bld"
check "junk data file works or fails clearly" \
  test "$status" -eq 0 -o \( "$status" -eq 1 -a -s "$work/err" \)
crlf 'new "out.htm"' 'include "/dev/zero"' 'end' >"$d/device.bld"
run "$d/device.bld"
check "a device as included file exits 2" test "$status" -eq 2
check "a device as included file is named" one_error "Error: Cannot open file /dev/zero"
check "a device as included file keeps the old output" old_output_kept "$d"

# Missing or cut grammar tables beside the program: the file is named, exit 2.
d=$(fresh grammar)
mkdir -p "$work/prog"
tables=$(dirname "$bin")
cp "$bin" "$tables/alpha" "$tables/pred" "$tables/rules" "$work/prog/"
prog="$work/prog/$(basename "$bin")"
crlf 'new "out.htm"' 'end' >"$d/site.bld"
damage() {  # damage NAME HOW MESSAGE
  cp "$tables/alpha" "$tables/pred" "$tables/rules" "$work/prog/"
  case $2 in
    missing) rm "$work/prog/$1" ;;
    empty) : >"$work/prog/$1" ;;
    cut) head -c 100 "$tables/$1" >"$work/prog/$1" ;;
  esac
  "$prog" "$d/site.bld" >"$work/out" 2>"$work/err" </dev/null
  status=$?
  check "$1 $2 exits 2" test "$status" -eq 2
  check "$1 $2 is named" one_error "Error: $3"
  check "$1 $2 keeps the old output" old_output_kept "$d"
}
damage alpha missing "Cannot open file $work/prog/alpha"
damage pred missing "Cannot open file $work/prog/pred"
damage rules missing "Cannot open file $work/prog/rules"
damage alpha empty "Cannot open file $work/prog/alpha"
damage rules empty "Cannot open file $work/prog/rules"
damage pred cut "Cannot open file $work/prog/pred"
damage rules cut "Grammar file $work/prog/rules is damaged: line 7 does not hold seven numbers"

# An output folder the user may not write to: the old output stays. Root may
# write anywhere, so the program then runs as the user nobody.
d=$(fresh locked)
crlf 'x' >"$d/t.htm"
crlf 'new "out.htm"' 'include "t.htm"' 'end' >"$d/site.bld"
chmod 755 "$d"
if [ "$(id -u)" -eq 0 ]; then
  as_other() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
else
  chmod 555 "$d"
  as_other() { "$@"; }
fi
if as_other test -x "$bin" -a -r "$d/site.bld" 2>/dev/null; then
  as_other "$bin" "$d/site.bld" >"$work/out" 2>"$work/err" </dev/null
  status=$?
  chmod 755 "$d"
  check "unwritable folder exits 2" test "$status" -eq 2
  check "unwritable folder names the file" one_error "Error: Cannot create file $d/out.htm"
  check "unwritable folder keeps the old output" old_output_kept "$d"
else
  echo "SKIPPED: the user nobody cannot run $bin here" >&2
fi

# A full disk, as a file size limit: the write fails and is reported.
d=$(fresh full)
head -c 300000 /dev/zero | tr '\0' y >"$d/t.htm"
crlf 'new "out.htm"' 'include "t.htm"' 'end' >"$d/site.bld"
(
  ulimit -f 64
  exec "$bin" "$d/site.bld" >"$work/out" 2>"$work/err" </dev/null
)
status=$?
check "file size limit exits 2" test "$status" -eq 2
check "file size limit names the file" one_error "Error: Cannot create file $d/out.htm"
check "file size limit keeps the old output" old_output_kept "$d"
# A new output that cannot be written completely is not left half written.
crlf 'new "fresh.htm"' 'include "t.htm"' 'end' >"$d/fresh.bld"
(
  ulimit -f 64
  exec "$bin" "$d/fresh.bld" >"$work/out" 2>"$work/err" </dev/null
)
status=$?
check "new output past the size limit exits 2" test "$status" -eq 2
check "no half-written new output" test ! -e "$d/fresh.htm"

finish
