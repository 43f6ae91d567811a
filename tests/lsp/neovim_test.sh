#!/usr/bin/env bash
# The language server with a real client: Neovim, headless, with
# neovim_client.lua. Skipped (77) when nvim is not installed.
#   neovim_test.sh WEFTSMITH_LSP WEFTSMITH_BUILD
set -euo pipefail
server=$1
cli=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v nvim >/dev/null || { echo "nvim is missing (scripts/install-deps installs it)"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state
mkdir -p "$work/site"
printf '<!--tag "head"-->the head<!--/tag "head"-->\n' >"$work/site/page.htm"
printf 'new "out.htm"\ninclude "page.htm"\ntag "head" "x"\nend\n' >"$work/site/site.bld"
sed 's/^tag/tga/' "$work/site/site.bld" >"$work/bad.bld"

# What the command line says of the bad line, and its reformatting of the file.
said=$("$cli" --check --gnu-messages "$work/bad.bld" 2>&1) && fail "the bad file passed the check"
expected="diagnostic 3 ${said#*: error: }"
[[ $said == "$work/bad.bld:3: error: "* ]] || fail "the command line said: $said"
reformatted=$("$cli" --reformat "$work/site/site.bld" | tr -d '\r' | sed 's/^/formatted /')

WEFTSMITH_LSP=$server BUILD_FILE=$work/site/site.bld RESULT=$work/result \
  timeout 90 nvim --headless --clean -u "$(dirname "$0")/neovim_client.lua" </dev/null >"$work/nvim.log" 2>&1 ||
  fail "nvim did not finish: $(cat "$work/nvim.log")"
[ -f "$work/result" ] || fail "nvim wrote no result: $(cat "$work/nvim.log")"
result=$(cat "$work/result")
! grep -q "^error " <<<"$result" || fail "$result"
[ "$(sed -n 1p <<<"$result")" = "opened 0" ] || fail "after opening: $result"
[ "$(grep '^diagnostic ' <<<"$result")" = "$expected" ] || fail "expected $expected, got: $result"
grep -qx "cleared 0" <<<"$result" || fail "no clearing: $result"
grep -q "^hover .*the head" <<<"$result" || fail "no hover: $result"
[ "$(grep '^formatted ' <<<"$result")" = "$reformatted" ] || fail "formatting: $result"
echo "neovim_test: ok"
