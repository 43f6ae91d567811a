#!/usr/bin/env python3
"""Compares the colours of build files in another editor's syntax definition
with the desktop editor's own (syntax_colours), character by character.

Besides the FILEs, a probe that syntax_colours writes puts every reserved word
of the desktop editor where the colouring rules decide.

  syntax_check.py kde COLOURS DEFINITION FILE...
      KDE's definition through kate-syntax-highlighter, with a theme of its
      own that gives every default style a colour of its own.
  syntax_check.py textmate COLOURS GRAMMAR MODULES FILE...
      the TextMate grammar through vscode-textmate (textmate_tokens.mjs);
      MODULES holds node_modules with vscode-textmate and vscode-oniguruma;
      when it does not yet, npm installs them there.

Letters: R reserved word, S string, C comment, . plain. A style or scope that
other editors show in colour where the desktop shows plain text is a '?'.
Every differing line is listed; the status is 1 when any differs.
"""
import html.parser
import json
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile

LANGUAGE = "Weftsmith build file"
HERE = pathlib.Path(__file__).resolve().parent

# KDE's default styles; the theme gives each its own colour.
KDE_STYLES = ["Normal", "Keyword", "Function", "Variable", "ControlFlow", "Operator",
              "BuiltIn", "Extension", "Preprocessor", "Attribute", "Char", "SpecialChar",
              "String", "VerbatimString", "SpecialString", "Import", "DataType", "DecVal",
              "BaseN", "Float", "Constant", "Comment", "Documentation", "Annotation",
              "CommentVar", "RegionMarker", "Information", "Warning", "Alert", "Others",
              "Error"]
# The reference tokenizer of TextMate grammars, from the npm registry.
TOKENIZER = {"vscode-textmate": "vscode-textmate@9", "vscode-oniguruma": "vscode-oniguruma@2"}
KDE_LETTERS = {"Keyword": "R", "String": "S", "Comment": "C"}


def desktop_masks(colours, files):
    out = subprocess.run([colours, *map(str, files)], check=True, capture_output=True,
                         text=True).stdout.split("\n")[:-1]
    masks, at = {}, 0
    for f in files:
        count = len(read_lines(f))
        masks[f] = out[at:at + count]
        at += count
    if at != len(out):
        sys.exit(f"syntax_colours gave {len(out)} lines for {at}")
    return masks


def read_lines(path):
    text = pathlib.Path(path).read_text(encoding="utf-8")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return [line.removesuffix("\r") for line in lines]


class KdeHtml(html.parser.HTMLParser):
    """The letters of kate-syntax-highlighter's HTML: text in a span takes the
    style of the span's colour, text outside is Normal."""

    def __init__(self, colours):
        super().__init__(convert_charrefs=True)
        self.colours, self.style, self.inside, self.text = colours, None, False, []

    def handle_starttag(self, tag, attrs):
        if tag == "pre":
            self.inside, self.first = True, True
        elif tag == "span" and self.inside:
            style = dict(attrs).get("style", "")
            colour = next((p.split(":")[1] for p in style.split(";") if p.startswith("color:")), "")
            self.style = self.colours.get(colour.lower(), f"?{style}")

    def handle_endtag(self, tag):
        if tag == "span":
            self.style = None
        elif tag == "pre":
            self.inside = False

    def handle_data(self, data):
        if self.inside:
            # The line break right after <pre> belongs to the markup.
            if self.first and data.startswith("\n"):
                data = data[1:]
            self.first = False
            letter = "." if self.style is None else KDE_LETTERS.get(self.style, "?")
            self.text.append((data, letter))

    def masks(self):
        lines, current = [], ""
        for data, letter in self.text:
            for c in data:
                if c == "\n":
                    lines.append(current)
                    current = ""
                else:
                    current += letter
        if current:
            lines.append(current)
        return lines


def kde_masks(definition, files):
    tool = shutil.which("kate-syntax-highlighter") or shutil.which("ksyntaxhighlighter5")
    if not tool:
        sys.exit("kate-syntax-highlighter is missing (scripts/install-deps installs it)")
    data = pathlib.Path(tempfile.mkdtemp())
    try:
        base = data / "org.kde.syntax-highlighting"
        (base / "syntax").mkdir(parents=True)
        (base / "themes").mkdir()
        shutil.copy(definition, base / "syntax" / "weftsmith.xml")
        colours = {f"#0000{i:02x}": name for i, name in enumerate(KDE_STYLES)}
        theme = {"metadata": {"name": "Weftsmith Check", "revision": 1},
                 "text-styles": {name: {"text-color": colour, "bold": False, "italic": False}
                                 for colour, name in colours.items()},
                 "editor-colors": {"BackgroundColor": "#ffffff"}}
        (base / "themes" / "check.theme").write_text(json.dumps(theme))
        env = dict(os.environ, XDG_DATA_HOME=str(data), XDG_DATA_DIRS=str(data / "none"),
                   QT_QPA_PLATFORM="offscreen")
        known = subprocess.run([tool, "--list"], env=env, capture_output=True, text=True).stdout
        if LANGUAGE not in known.splitlines():
            sys.exit(f"kate-syntax-highlighter does not load the definition {definition}")
        masks = {}
        for f in files:
            # No -s: the file's extension must choose the definition.
            run = subprocess.run([tool, "-t", "Weftsmith Check", str(f)], env=env,
                                 capture_output=True, text=True)
            if run.returncode != 0 or f"Definition ({LANGUAGE})" not in run.stdout:
                sys.exit(f"{f} was not highlighted as a {LANGUAGE}: {run.stderr}{run.stdout[:300]}")
            parser = KdeHtml(colours)
            parser.feed(run.stdout)
            masks[f] = parser.masks()
        return masks
    finally:
        shutil.rmtree(data)


def install_modules(modules):
    """npm installs the reference tokenizer into MODULES once; without the
    registry the check fails and says why."""
    if all((modules / "node_modules" / name / "package.json").is_file() for name in TOKENIZER):
        return
    npm = shutil.which("npm")
    if not npm or not shutil.which("node"):
        sys.exit("node and npm are missing (scripts/install-deps installs them)")
    modules.mkdir(parents=True, exist_ok=True)
    run = subprocess.run([npm, "install", "--prefix", str(modules), "--no-audit", "--no-fund",
                          "--no-save", *TOKENIZER.values()], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit("FAIL: npm could not install the reference tokenizer "
                 f"({' '.join(TOKENIZER.values())}) into {modules}; it needs the npm "
                 f"registry:\n{run.stdout}{run.stderr}")


def textmate_masks(grammar, modules, files):
    run = subprocess.run(["node", str(HERE / "textmate_tokens.mjs"), str(modules), str(grammar),
                          *map(str, files)], capture_output=True, text=True)
    if run.returncode != 0:
        sys.exit(f"textmate_tokens.mjs failed: {run.stderr}")
    masks = {}
    for f, result in zip(files, json.loads(run.stdout)):
        lines = []
        for tokens in result["lines"]:
            mask = ""
            for start, end, scopes in tokens:
                mask += scope_letter(scopes) * (end - start)
            lines.append(mask)
        masks[f] = lines
    return masks


def scope_letter(scopes):
    """The element of a token from its innermost scope that themes colour."""
    for scope in reversed(scopes):
        for prefix, letter in (("keyword.", "R"), ("string.", "S"), ("comment.", "C")):
            if scope.startswith(prefix):
                return letter
        if not (scope.startswith("meta.") or scope == "source.weftsmith"):
            return "?"
    return "."


def compare(name, files, desktop, other):
    failures = 0
    for f in files:
        lines = read_lines(f)
        for number, (text, want, got) in enumerate(zip(lines, desktop[f], other[f]), 1):
            # vscode-textmate's last token takes in the line break.
            got = got[:len(text)]
            if want != got:
                failures += 1
                print(f"{f}:{number}: {text!r}\n  desktop {want}\n  {name:7} {got}")
        if len(desktop[f]) != len(lines) or len(other[f]) < len(lines):
            failures += 1
            print(f"{f}: {len(lines)} lines, desktop {len(desktop[f])}, {name} {len(other[f])}")
    checked = sum(len(read_lines(f)) for f in files)
    print(f"{name}: {checked} lines of {len(files)} files compared, {failures} differ")
    return failures


def main(argv):
    if len(argv) < 4 or argv[0] not in ("kde", "textmate"):
        sys.exit(__doc__)
    kind, colours, definition = argv[0], argv[1], argv[2]
    rest = argv[3:]
    modules = None
    if kind == "textmate":
        modules, rest = rest[0], rest[1:]
    files = [pathlib.Path(f) for f in rest]
    if not files:
        sys.exit(__doc__)
    if kind == "textmate":
        install_modules(pathlib.Path(modules))
    with tempfile.TemporaryDirectory() as folder:
        probe = pathlib.Path(folder) / "probe.bld"
        probe.write_text(subprocess.run([colours, "--probe"], check=True, capture_output=True,
                                        text=True).stdout, encoding="utf-8")
        files.append(probe)
        desktop = desktop_masks(colours, files)
        other = (kde_masks(definition, files) if kind == "kde"
                 else textmate_masks(definition, modules, files))
        return 1 if compare(kind, files, desktop, other) else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
