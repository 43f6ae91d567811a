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
for tool in cpack dpkg-deb dpkg-shlibdeps lintian desktop-file-validate update-mime-database xmllint; do
  command -v $tool >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
done

build=$work/build
cmake -S "$source" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DWEFTSMITH_TESTS=OFF \
  -DWEFTSMITH_SANITIZE=OFF -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >"$work/configure.log" ||
  fail "configure: $(cat "$work/configure.log")"
cmake --build "$build" -j2 --target weftsmith-build Weftsmith packaging_files >"$work/build.log" ||
  fail "build: $(tail -40 "$work/build.log")"
rm -rf "$work/out"
(cd "$build" && cpack -G DEB -B "$work/out" >"$work/cpack.log") || fail "cpack: $(cat "$work/cpack.log")"
debs=("$work"/out/weftsmith_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "no single weftsmith_*.deb: ${debs[*]}"
deb=${debs[0]}
echo "made $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = weftsmith ] || fail "Package: $(field Package)"
[ "$(field Section)" = web ] || fail "Section: $(field Section)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
field Maintainer | grep -q '^[^<]\+ <[^@>]\+@[^>]\+>$' || fail "Maintainer: $(field Maintainer)"
field Description | head -1 | grep -q "HTML pages" || fail "Description: $(field Description)"
[ "$(field Description | wc -l)" -gt 3 ] || fail "no long description"
# Computed from the programs' libraries, with versions.
for lib in libc6 libstdc++6 libqt6core6 libqt6widgets6 libqt6printsupport6; do
  field Depends | grep -q "\b$lib (>= " || fail "Depends lacks $lib: $(field Depends)"
done
! field Depends | grep -q "libasan\|libubsan" || fail "sanitizer runtime in Depends"
# Installed by root, read by all.
! dpkg-deb -c "$deb" | grep -v "^[-d]rw[x-]r-[x-]r-[x-] root/root " ||
  fail "owners or modes: $(dpkg-deb -c "$deb" | grep -v "^[-d]rw[x-]r-[x-]r-[x-] root/root ")"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
# The binaries are stripped (no symbol table left).
for p in Weftsmith weftsmith-build; do
  ! file "$root/usr/bin/$p" | grep -q "not stripped" || fail "$p is not stripped"
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
