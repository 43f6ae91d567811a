# Shared by the end-to-end test scripts of weftsmith-build: a scratch folder,
# the check counter, and running the program with its output captured.
bin=${WEFTSMITH_BUILD:?path of weftsmith-build}
work=$(mktemp -d)
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT
passed=0
failed=0

check() {  # check NAME CONDITION...
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAILED: $name" >&2
    echo "  stdout: $(head -c 300 "$work/out" 2>/dev/null)" >&2
    echo "  stderr: $(head -c 300 "$work/err" 2>/dev/null)" >&2
  fi
}
run() {  # run ARGS... : status in $status, output in $work/out and $work/err
  "$bin" "$@" >"$work/out" 2>"$work/err" </dev/null
  status=$?
}
crlf() { printf '%s\r\n' "$@"; }
waitfor() {  # waitfor SECONDS COMMAND... : true once COMMAND succeeds within SECONDS
  local tries=$(($1 * 50))
  shift
  while ! "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.02
  done
}
# Prints the closing count and fails when any check failed.
finish() {
  echo "$passed passed, $failed failed"
  test "$failed" -eq 0
}
