#!/usr/bin/env bash
# The Debian package: a build without sanitizers of the two programs (kept in
# WORK, so a second run only rebuilds what changed), cpack -G DEB, the fields
# of the package, its contents unpacked with dpkg-deb -x and checked like an
# installed tree, and lintian without errors (its warnings are printed).
#   deb_test.sh SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
source=$1
work=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate update-mime-database xmllint \
            appstreamcli python3; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
done

mkdir -p "$work"
build=$work/build
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWEFTSMITH_TESTS=OFF \
  -DWEFTSMITH_SANITIZE=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$work/configure.log" ||
  fail "configure: $(cat "$work/configure.log")"
cmake --build "$build" -j2 --target weftsmith-build weftsmith-lsp Weftsmith packaging_files >"$work/build.log" ||
  fail "build: $(tail -40 "$work/build.log")"
rm -rf "$work/out"
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/out/weftsmith_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single weftsmith_*.deb: ${debs[*]}"
deb=${debs[0]}
echo "made $(basename "$deb")"

# Fields and listings are read into variables first: with pipefail, grep -q
# ending a pipe early would fail it.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = weftsmith ] || fail "Package: $(field Package)"
[ "$(field Section)" = web ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
maintainer=$(field Maintainer)
grep -q '^[^<]\+ <[^@>]\+@[^>]\+>$' <<<"$maintainer" || fail "Maintainer: $maintainer"
description=$(field Description)
grep -q "^build sets of HTML pages" <<<"$description" || fail "Description: $description"
[ "$(wc -l <<<"$description")" -gt 3 ] || fail "no long description: $description"
# Computed from the programs' libraries, with versions.
depends=$(field Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6; do
  grep -q "\b$lib (>= " <<<"$depends" || fail "Depends lacks $lib: $depends"
done
! grep -q "libasan\|libubsan" <<<"$depends" || fail "sanitizer runtime in Depends: $depends"
# Installed by root, read by all.
listing=$(dpkg-deb -c "$deb")
odd=$(grep -v "^[-d]rw[x-]r-[x-]r-[x-] root/root " <<<"$listing" || true)
[ -z "$odd" ] || fail "owners or modes: $odd"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
# The binaries are stripped (no symbol table left).
for p in Weftsmith weftsmith-build weftsmith-lsp; do
  kind=$(file "$root/usr/bin/$p")
  grep -q "ELF .*, stripped" <<<"$kind" || fail "$p is not stripped: $kind"
done
bash "$(dirname "$0")/check_installed.sh" "$root"

# Exit status 0: no errors; 1: errors; anything else: lintian did not run.
set +e
lintian --display-info --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
rc=$?
set -e
echo "lintian (status $rc):"
grep -v "running with root privileges" "$work/lintian.log" || true
[ $rc -eq 0 ] || [ $rc -eq 1 ] || fail "lintian did not run"
! grep -q "^E: " "$work/lintian.log" && [ $rc -eq 0 ] || fail "lintian reports errors"
echo "deb_test: ok"
