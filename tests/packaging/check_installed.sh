#!/usr/bin/env bash
# Checks an installed tree: ROOT/usr as `cmake --install` with DESTDIR=ROOT or
# `dpkg-deb -x` lays it out.
#   check_installed.sh ROOT
# 1. What goes where, and nothing else (no Install).
# 2. The programs work from there: weftsmith-build builds a copy of the
#    example site with the grammar tables and settings of share/weftsmith;
#    Weftsmith starts offscreen on a build file, reads its default settings
#    from share/weftsmith, stays up and writes nothing into the tree.
# 3. The launcher passes desktop-file-validate without a word and names the
#    installed program and icon; the MIME type loads with update-mime-database.
set -euo pipefail
root=$(cd "$1" && pwd)
usr=$root/usr
data=$usr/share/weftsmith
fail() { echo "FAIL: $*" >&2; exit 1; }
# The program's AppStream id, which is also its launcher's name.
app=example.weftsmith.weftsmith

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Nothing may reach the real home of whoever runs the test.
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$HOME"

# ---- 1. the layout ----
for f in bin/Weftsmith bin/weftsmith-build bin/weftsmith-lsp share/man/man1/weftsmith-lsp.1.gz \
         share/weftsmith/alpha share/weftsmith/pred share/weftsmith/rules share/weftsmith/prop \
         share/weftsmith/Help.htm share/weftsmith/manual/htm/wshelp.htm \
         share/weftsmith/manual/htm/messages.htm share/weftsmith/examples/site.bld \
         share/weftsmith/examples/pages.csv share/weftsmith/examples/templates/page.htm \
         share/applications/weftsmith.desktop share/metainfo/$app.metainfo.xml \
         share/icons/hicolor/scalable/apps/weftsmith.svg \
         share/org.kde.syntax-highlighting/syntax/weftsmith.xml \
         share/weftsmith/syntax/weftsmith.tmLanguage.json \
         share/weftsmith/syntax/vscode-weftsmith/package.json \
         share/weftsmith/syntax/vscode-weftsmith/language-configuration.json \
         share/weftsmith/syntax/vscode-weftsmith/syntaxes/weftsmith.tmLanguage.json \
         share/mime/packages/weftsmith.xml share/man/man1/weftsmith-build.1.gz \
         share/man/man1/Weftsmith.1.gz share/doc/weftsmith/README.md \
         share/doc/weftsmith/copyright share/doc/weftsmith/changelog.gz; do
  [ -f "$usr/$f" ] || fail "missing usr/$f"
done
for p in Weftsmith weftsmith-build weftsmith-lsp; do [ -x "$usr/bin/$p" ] || fail "$p is not executable"; done
# One version number: the CLI's, the man pages' and the about box's.
version=$("$usr/bin/weftsmith-build" --version | sed -n 's/^weftsmith-build //p')
[ -n "$version" ] || fail "no version from weftsmith-build --version"
[ "$("$usr/bin/weftsmith-lsp" --version)" = "weftsmith-lsp $version" ] || fail "weftsmith-lsp names another version"
for page in weftsmith-build weftsmith-lsp Weftsmith; do
  heading=$(zcat "$usr/share/man/man1/$page.1.gz" | sed -n 1p)
  [[ $heading == *"\"Weftsmith $version\""* ]] ||
    fail "the man page $page names another version than $version: $heading"
done
grep -aqF "Version: $version" "$usr/bin/Weftsmith" || fail "the about box names another version"
[ -d "$data/examples/site" ] || fail "missing the example's output folder"
[ -z "$(ls -A "$data/examples/site")" ] || fail "pages in the example's output folder"
[ -z "$(find "$root" -name Install)" ] || fail "Install is installed"
[ "$(ls "$root")" = usr ] || fail "files outside usr: $(ls "$root")"
[ "$(ls "$usr")" = "$(printf 'bin\nshare')" ] || fail "usr holds $(ls "$usr")"
[ "$(ls "$usr/bin")" = "$(printf 'Weftsmith\nweftsmith-build\nweftsmith-lsp')" ] || fail "bin holds $(ls "$usr/bin")"
[ -z "$(find "$root" -name '.*')" ] || fail "dot-files installed: $(find "$root" -name '.*')"
for m in weftsmith-build weftsmith-lsp Weftsmith; do
  gzip -t "$usr/share/man/man1/$m.1.gz" || fail "$m.1.gz is no gzip file"
  [[ "$(zcat "$usr/share/man/man1/$m.1.gz" | sed -n 1p)" == .TH* ]] || fail "$m.1.gz is no man page"
  [ -z "$(zcat "$usr/share/man/man1/$m.1.gz" | groff -ww -man -Tutf8 2>&1 >/dev/null)" ] ||
    fail "$m.1.gz does not format without warnings"
done
cmp -s "$data/prop" "$(dirname "$0")/../../data/prop" || fail "share/weftsmith/prop differs from data/prop"

# ---- 2. the programs, started from elsewhere ----
cd /
cp -r "$data/examples" "$work/site"
out=$("$usr/bin/weftsmith-build" --check "$work/site/site.bld" 2>&1) || fail "check: $out"
[ -z "$out" ] || fail "check said: $out"
out=$("$usr/bin/weftsmith-build" "$work/site/site.bld" 2>&1) || fail "build: $out"
[ "$out" = "Information: Build file complete" ] || fail "build said: $out"
# The language server answers a whole session from there.
frame() { printf 'Content-Length: %d\r\n\r\n%s' "${#1}" "$1"; }
out=$({ frame '{"jsonrpc":"2.0","id":1,"method":"initialize","params":{"capabilities":{}}}'
        frame '{"jsonrpc":"2.0","id":2,"method":"shutdown"}'
        frame '{"jsonrpc":"2.0","method":"exit"}'; } | timeout 20 "$usr/bin/weftsmith-lsp") ||
  fail "weftsmith-lsp: $out"
grep -q '"hoverProvider":true' <<<"$out" || fail "weftsmith-lsp said: $out"
grep -q "<title>News - Weftsmith Example</title>" "$work/site/site/news.htm" || fail "news.htm not built"
grep -q 'href="index.htm"' "$work/site/site/about.htm" || fail "menu not filled"

# The grammar tables are those of share/weftsmith: without one, its path
# there is named.
mv "$data/pred" "$work/pred"
set +e
out=$("$usr/bin/weftsmith-build" --check "$work/site/site.bld" 2>&1); rc=$?
set -e
mv "$work/pred" "$data/pred"
[ $rc -eq 2 ] || fail "status $rc without share/weftsmith/pred: $out"
case "$out" in *"$data/pred"*) ;; *) fail "the missing table is not named as $data/pred: $out" ;; esac

# The settings: share/weftsmith/prop is the default; a per-user file in
# $XDG_CONFIG_HOME/weftsmith takes its place. Here its tag delimiters differ,
# so the template's tags are left alone and the run stops at a missing tag.
mkdir -p "$XDG_CONFIG_HOME/weftsmith"
sed '1s/.*/[[/;2s/.*/]]/;3s/.*/[[tag "/;5s/.*/[[\/tag "/' "$data/prop" >"$XDG_CONFIG_HOME/weftsmith/prop"
set +e
out=$("$usr/bin/weftsmith-build" "$work/site/site.bld" 2>&1); rc=$?
set -e
rm -r "$XDG_CONFIG_HOME/weftsmith"
case "$rc:$out" in 1:*"there is no tag"*) ;; *) fail "the per-user settings were not read: $rc $out" ;; esac

# Weftsmith, offscreen, on the example's build file: it reads its settings
# from share/weftsmith (no per-user file yet) and stays up. Under strace when
# that can trace, to see which settings file it opened.
stamp=$work/stamp
touch "$stamp"
sleep 1
trace=()
if command -v strace >/dev/null && strace -o /dev/null true 2>/dev/null; then
  trace=(strace -f -e trace=openat -o "$work/trace")
fi
# The program writes its own process id, so that the program and not strace
# is ended.
QT_QPA_PLATFORM=offscreen "${trace[@]}" bash -c 'echo $$ >"$1"; shift; exec "$@"' - \
  "$work/pid" "$usr/bin/Weftsmith" "$work/site/site.bld" >"$work/desktop.log" 2>&1 &
runner=$!
alive=yes
for _ in $(seq 1 16); do
  sleep 0.5
  kill -0 $runner 2>/dev/null || { alive=no; break; }
done
[ -s "$work/pid" ] && kill "$(cat "$work/pid")" 2>/dev/null || true
wait $runner 2>/dev/null || true
[ $alive = yes ] || fail "Weftsmith ended early: $(cat "$work/desktop.log")"
! grep -q "Cannot open file\|damaged\|qt.qpa" "$work/desktop.log" || fail "Weftsmith said: $(cat "$work/desktop.log")"
if [ ${#trace[@]} -gt 0 ]; then
  grep -q "openat(.*\"$data/prop\", O_RDONLY.* = [0-9]" "$work/trace" ||
    fail "Weftsmith did not read $data/prop: $(grep prop "$work/trace" || true)"
  ! grep -q "\"$root/[^\"]*\", O_\(WRONLY\|RDWR\)" "$work/trace" ||
    fail "Weftsmith opened a file of the tree for writing"
  grep -q "openat(.*\"$work/site/site.bld\"" "$work/trace" || fail "Weftsmith did not open site.bld"
  echo "Weftsmith traced: read $data/prop and site.bld"
else
  echo "note: strace cannot trace here, so which settings file Weftsmith read is not checked"
fi
[ -z "$(find "$root" -newer "$stamp" ! -type d)" ] ||
  fail "written into the installed tree: $(find "$root" -newer "$stamp" ! -type d)"

# ---- 3. launcher and MIME type ----
# Every launcher of the tree passes desktop-file-validate without a word.
launchers=$(find "$root" -name '*.desktop')
[ "$launchers" = "$usr/share/applications/weftsmith.desktop" ] || fail "launchers: $launchers"
launcher=$usr/share/applications/weftsmith.desktop
said=$(desktop-file-validate "$launcher" 2>&1) || fail "desktop-file-validate: $said"
[ -z "$said" ] || fail "desktop-file-validate said: $said"
grep -qx "Type=Application" "$launcher" || fail "the launcher is no application"
grep -qx "Exec=Weftsmith %F" "$launcher" || fail "Exec is not the installed Weftsmith"
# The menu shows the program's icon: Icon= is a theme name (no path, no
# extension) and the hicolor theme holds the program's SVG under that name.
icon=$(sed -n 's/^Icon=//p' "$launcher")
[[ "$icon" =~ ^[a-z-]+$ ]] || fail "Icon=$icon is no icon name"
svg=$usr/share/icons/hicolor/scalable/apps/$icon.svg
[ -f "$svg" ] || fail "no icon $icon.svg"
cmp -s "$svg" "$(dirname "$0")/../../data/weftsmith.svg" || fail "$icon.svg is not the program's icon"
xmllint --noout "$svg" || fail "$icon.svg is no XML"
type=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$launcher")
[ "$type" = text/x-weftsmith-build ] || fail "MimeType=$type"

xmllint --noout "$usr/share/mime/packages/weftsmith.xml" || fail "MIME file is no XML"
mkdir -p "$work/mime/packages"
cp "$usr/share/mime/packages/weftsmith.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >"$work/mime.log" 2>&1 || fail "update-mime-database: $(cat "$work/mime.log")"
! grep -qi "warning\|error\|unknown" "$work/mime.log" || fail "update-mime-database said: $(cat "$work/mime.log")"
grep -qx "50:$type:\*.bld" "$work/mime/globs2" || fail "*.bld is not $type: $(cat "$work/mime/globs2")"
grep -qx "$type text/plain" "$work/mime/subclasses" || fail "$type is no text"
[ -f "$work/mime/text/x-weftsmith-build.xml" ] || fail "no $type in the database"

# ---- 4. AppStream and the syntax definitions ----
# The metainfo names the installed launcher, the MIME type and this version.
metainfo=$usr/share/metainfo/$app.metainfo.xml
said=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "appstreamcli validate: $said"
grep -q "<launchable type=\"desktop-id\">weftsmith.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch weftsmith.desktop"
grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo does not provide $type"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo's release is not $version"
syntax=$usr/share/weftsmith/syntax
xmllint --noout "$usr/share/org.kde.syntax-highlighting/syntax/weftsmith.xml" ||
  fail "the KDE syntax definition is no XML"
for json in "$syntax/weftsmith.tmLanguage.json" "$syntax/vscode-weftsmith/package.json" \
            "$syntax/vscode-weftsmith/language-configuration.json"; do
  python3 -m json.tool "$json" >/dev/null || fail "$json is no JSON"
done
cmp -s "$syntax/weftsmith.tmLanguage.json" "$syntax/vscode-weftsmith/syntaxes/weftsmith.tmLanguage.json" ||
  fail "the VS Code folder holds another grammar"
grep -q "\"version\": \"$version.0\"" "$syntax/vscode-weftsmith/package.json" ||
  fail "the VS Code folder's version is not $version"
echo "check_installed: ok ($root)"
