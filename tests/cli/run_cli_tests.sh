#!/usr/bin/env bash
# End-to-end tests of weftsmith-build: each case runs the program on a folder
# of files and compares exit status, messages and written bytes.
set -u
src=${1:?source folder}
source "$(dirname "$0")/lib.sh"

# The bundled example checks cleanly and builds.
cp -r "$src/examples" "$work/examples"
run --check "$work/examples/site.bld"
check "example --check exits 0" test "$status" -eq 0
check "example --check is silent" test ! -s "$work/out" -a ! -s "$work/err"
run "$work/examples/site.bld"
check "example builds" test "$status" -eq 0
check "completion goes to standard output" grep -qx "Information: Build file complete" "$work/out"
check "example writes pages" test -s "$work/examples/site/index.htm"

# A syntax error names its line and exits 1.
mkdir -p "$work/bad"
crlf 'new "a.htm"' '  include "x.htm"' '  tag "a" "b" "c"' 'end' >"$work/bad/bad.bld"
run --check "$work/bad/bad.bld"
check "syntax error exits 1" test "$status" -eq 1
check "syntax error message names line 3" \
  grep -qx 'Error: Too many parameters for `tag` command on line: 3' "$work/err"
crlf 'new "a.htm"' 'include "x.htm"' >"$work/bad/open.bld"
run --check "$work/bad/open.bld"
check "missing end exits 1" test "$status" -eq 1
check "missing end is reported" grep -q '^Error: Syntax error' "$work/err"

# Files that cannot be opened, and usage errors, exit 2.
run "$work/none.bld"
check "missing build file exits 2" test "$status" -eq 2
check "missing build file message" grep -qx "Error: Cannot open file $work/none.bld" "$work/err"
run --check --reformat "$work/bad/bad.bld"
check "usage error exits 2" test "$status" -eq 2
run
check "no arguments exit 2" test "$status" -eq 2
mkdir -p "$work/inc"
crlf 'new "out.htm"' 'include "missing.htm"' 'end' >"$work/inc/site.bld"
run "$work/inc/site.bld"
check "missing include exits 2" test "$status" -eq 2
check "missing include names the file" grep -qx "Error: Cannot open file $work/inc/missing.htm" "$work/err"
check "no completion after a file error" test ! -s "$work/out"
run --settings "$work/nosuch.prop" "$work/inc/site.bld"
check "missing settings file exits 2" test "$status" -eq 2

# Reformatting prints the re-indented text with CR LF line ends.
crlf 'new "a.htm"' 'tag "t"' 'include "x.htm"' 'end' 'end' >"$work/bad/fmt.bld"
run --reformat "$work/bad/fmt.bld"
check "reformat exits 0" test "$status" -eq 0
check "reformat indents" cmp -s "$work/out" <(crlf 'new "a.htm"' '  tag "t"' '    include "x.htm"' '  end' 'end')

# Output files: CR LF lines, a leading empty line, replaced not appended; a
# missing output folder stops the run and creates nothing.
mkdir -p "$work/out1"
crlf 'first line' 'second %%title%% line' >"$work/out1/tpl.htm"
crlf 'new "out.htm"' 'include "tpl.htm"' 'tag "title" "Home"' 'end' >"$work/out1/site.bld"
printf 'old content that is longer than the new one\r\n%.0s' 1 2 3 >"$work/out1/out.htm"
run "$work/out1/site.bld"
check "output build exits 0" test "$status" -eq 0
check "output bytes" cmp -s "$work/out1/out.htm" <(printf '\r\nfirst line second Home line \r\n')
crlf 'new "nofolder/out.htm"' 'end' >"$work/out1/nofolder.bld"
run "$work/out1/nofolder.bld"
check "missing folder exits 1" test "$status" -eq 1
check "missing folder message" grep -qx "Error: Folder $work/out1/nofolder does not exist!" "$work/err"
check "no folder created" test ! -e "$work/out1/nofolder"

# Including a tag: its body ends at the first closing marker after its opening
# marker; a file whose only closing marker stands before it has no end.
mkdir -p "$work/inctag"
printf '%s' '<!--/tag "m"-->x<!--tag "m"-->BODY<!--/tag "m"-->' >"$work/inctag/part.htm"
printf '%s' '<!--/tag "m"-->x<!--tag "m"-->BODY' >"$work/inctag/open.htm"
crlf 'new "out.htm"' 'include "part.htm" "m"' 'end' >"$work/inctag/site.bld"
run "$work/inctag/site.bld"
check "include of a tag exits 0" test "$status" -eq 0
check "include of a tag takes the body after the opening marker" \
  cmp -s "$work/inctag/out.htm" <(printf '\r\nBODY\r\n')
crlf 'new "none.htm"' 'include "open.htm" "m"' 'end' >"$work/inctag/open.bld"
run "$work/inctag/open.bld"
check "include of a tag without end exits 1" test "$status" -eq 1
check "include of a tag without end is reported" \
  grep -qx "Warning: there is no end for tag : m in file: $work/inctag/open.htm" "$work/err"

# Nested runs: a build file in another folder resolves its own names; one that
# runs itself stops at the depth bound.
mkdir -p "$work/nest/sub"
crlf 'in sub' >"$work/nest/sub/part.htm"
crlf 'new "made.htm"' 'include "part.htm"' 'end' >"$work/nest/sub/inner.bld"
crlf 'run "sub/inner.bld"' 'new "after.htm"' 'include "top.htm"' 'end' >"$work/nest/site.bld"
crlf 'top' >"$work/nest/top.htm"
run "$work/nest/site.bld"
check "nested run exits 0" test "$status" -eq 0
check "nested output in its own folder" test -f "$work/nest/sub/made.htm"
check "caller resolves against its folder again" test -f "$work/nest/after.htm"
crlf 'run "self.bld"' >"$work/nest/self.bld"
run "$work/nest/self.bld"
check "self-recursion exits 1" test "$status" -eq 1
check "self-recursion names the file" grep -q "^Error: Too many nested runs.*self.bld" "$work/err"

finish
