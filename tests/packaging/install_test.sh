#!/usr/bin/env bash
# `cmake --install` of this build into a temporary folder (DESTDIR, prefix
# /usr), then the checks of an installed tree.
#   install_test.sh BUILD_FOLDER
set -euo pipefail
build=$1
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
DESTDIR=$root cmake --install "$build" --prefix /usr >"$root.log" 2>&1 ||
  { cat "$root.log"; rm -f "$root.log"; echo "FAIL: cmake --install" >&2; exit 1; }
rm -f "$root.log"
bash "$(dirname "$0")/check_installed.sh" "$root"
