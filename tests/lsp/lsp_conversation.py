#!/usr/bin/env python3
"""One whole conversation with weftsmith-lsp over standard input and output.

    lsp_conversation.py WEFTSMITH_LSP WEFTSMITH_BUILD

A site in a temporary folder with settings of its own (other short tag
delimiters, an indentation of three blanks) handed over as an initialization
option. The diagnostics, the reformatted text and the check of the saved file
are compared with what the command-line program says of the same files.
"""
import json
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

SERVER, CLI = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


class Client:
    def __init__(self, args, env):
        self.proc = subprocess.Popen(args, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     env=env)
        self.inbox = queue.Queue()
        self.next_id = 1
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        out = self.proc.stdout
        while True:
            length = None
            while True:
                line = out.readline()
                if not line:
                    self.inbox.put(None)
                    return
                line = line.strip()
                if not line:
                    break
                name, _, value = line.partition(b":")
                if name.strip().lower() == b"content-length":
                    length = int(value)
            self.inbox.put(json.loads(out.read(length)))

    def send_raw(self, body):
        self.proc.stdin.write(b"Content-Length: %d\r\n\r\n" % len(body) + body)
        self.proc.stdin.flush()

    def notify(self, method, params):
        self.send_raw(json.dumps({"jsonrpc": "2.0", "method": method,
                                  "params": params}).encode())

    def request(self, method, params):
        rid = self.next_id
        self.next_id += 1
        self.send_raw(json.dumps({"jsonrpc": "2.0", "id": rid, "method": method,
                                  "params": params}).encode())
        return self.wait(lambda m: m.get("id") == rid and "method" not in m)

    def wait(self, accept, timeout=20):
        """The first message that accept() takes; others wait their turn."""
        deadline = time.time() + timeout
        kept = []
        try:
            while True:
                message = self.inbox.get(timeout=max(0.01, deadline - time.time()))
                if message is None:
                    raise RuntimeError("the server closed its output")
                if accept(message):
                    return message
                kept.append(message)
        finally:
            for message in kept:
                self.inbox.put(message)

    def diagnostics(self, uri):
        return self.wait(lambda m: m.get("method") == "textDocument/publishDiagnostics"
                         and m["params"]["uri"] == uri)["params"]["diagnostics"]

    def finish(self, timeout=20):
        self.proc.stdin.close()
        return self.proc.wait(timeout=timeout)


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="") as f:
        f.write(text)


def uri_of(path):
    return "file://" + path.replace(" ", "%20")


def cli(*args):
    run = subprocess.run([CLI, *args], capture_output=True, text=True, timeout=60)
    return run.stdout, run.stderr


work = tempfile.mkdtemp(prefix="weftsmith-lsp-")
# A folder name with a blank: URIs are percent-encoded.
site = os.path.join(work, "my site")
env = dict(os.environ, HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"))
try:
    # Settings: short tags {{name}}, indentation entry 2 (three blanks).
    with open(os.path.join(os.path.dirname(__file__), "../../data/prop"), newline="") as f:
        prop_lines = f.read().split("\r\n")
    prop_lines[0], prop_lines[1], prop_lines[9] = "{{", "}}", "2"
    prop = os.path.join(work, "prop")
    write(prop, "\r\n".join(prop_lines))

    write(os.path.join(site, "templates/page.htm"),
          '<title><!--tag "title"-->T<!--/tag "title"--></title>\n'
          '<nav><!--tag "menu"-->the menu\ngoes here<!--/tag "menu"--></nav>\n'
          '{{stamp}} %%old%%\n')
    write(os.path.join(site, "parts.htm"),
          '<!--tag "menu"-->a | b<!--/tag "menu"--> {{short}}\n')
    write(os.path.join(site, "pages.csv"), "File,Title\nout/index.htm,Home\nout/b.htm,B\n")
    build = os.path.join(site, "site.bld")
    text = ('-- the test site\n'
            'set sitename "Site"\n'
            'repeat page "pages.csv"\n'
            'new page:"File"\n'
            'include "templates/page.htm"\n'
            'tag "title" page:"Title"\n'
            'tag "menu"\n'
            'include "parts.htm" "menu"\n'
            'end\n'
            'end\n'
            'end\n')
    write(build, text)
    uri = uri_of(build)

    c = Client([SERVER], env)
    init = c.request("initialize", {
        "processId": os.getpid(), "rootUri": uri_of(site),
        "initializationOptions": {"prop": prop},
        "capabilities": {"textDocument": {"completion": {"completionItem": {
            "snippetSupport": True}}}}})
    caps = init["result"]["capabilities"]
    check(caps.get("hoverProvider") and caps.get("definitionProvider")
          and caps.get("documentFormattingProvider"), "capabilities: %s" % caps)
    c.notify("initialized", {})
    c.notify("textDocument/didOpen", {"textDocument": {
        "uri": uri, "languageId": "weftsmith", "version": 1, "text": text}})
    check(c.diagnostics(uri) == [], "a good file has no diagnostics")

    # An unknown command word on line 5 (0-based): the same text and line as
    # the command line's check of that file.
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": uri, "version": 2},
        "contentChanges": [{"range": {"start": {"line": 5, "character": 0},
                                      "end": {"line": 5, "character": 3}},
                            "text": "tga"}]})
    bad = text.replace('tag "title"', 'tga "title"')
    bad_file = os.path.join(work, "bad.bld")
    write(bad_file, bad)
    _, said = cli("--settings", prop, "--check", "--gnu-messages", bad_file)
    expected_line = int(said.split(":")[1]) - 1
    expected_text = said.strip().split(": error: ", 1)[1]
    diags = c.diagnostics(uri)
    check(len(diags) == 1 and diags[0]["range"]["start"]["line"] == expected_line == 5
          and diags[0]["message"] == expected_text and diags[0]["severity"] == 1,
          "diagnostic of the bad line: %s, the CLI said %r" % (diags, said))

    # Two quick changes: the second (whole text, the line fixed) wins, and
    # the diagnostics clear.
    c.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 3},
                                        "contentChanges": [{"text": bad + "tga\n"}]})
    c.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 4},
                                        "contentChanges": [{"text": text}]})
    diags = c.diagnostics(uri)
    check(diags == [], "diagnostics clear: %s" % diags)

    # A line "tag " below the include: the tags of templates/page.htm, wide
    # and short, with the short delimiters of the settings.
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": uri, "version": 5},
        "contentChanges": [{"range": {"start": {"line": 5, "character": 0},
                                      "end": {"line": 5, "character": 0}},
                            "text": "tag \n"}]})
    items = c.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 5, "character": 4}})["result"]
    labels = sorted(i["label"] for i in items)
    check(labels == ["menu", "stamp", "title"], "tag completion: %s" % labels)
    check(all(i["textEdit"]["newText"] == '"%s"' % i["label"] for i in items),
          "tag names go in quoted: %s" % items)
    # include F's second parameter: the wide tags of F.
    items = c.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 8, "character": 20}})["result"]
    check([i["label"] for i in items] == ["menu"], "include tag completion: %s" % items)
    # A field of the data set, and the command words with snippets.
    items = c.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 6, "character": 17}})["result"]
    check([i["label"] for i in items] == ["File", "Title"], "field completion: %s" % items)
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": uri, "version": 6},
        "contentChanges": [{"range": {"start": {"line": 5, "character": 0},
                                      "end": {"line": 6, "character": 0}}, "text": "re\n"}]})
    items = c.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 5, "character": 2}})["result"]
    repeat = [i for i in items if i["label"] == "repeat"]
    check(len(items) > 5 and len(repeat) == 1 and repeat[0].get("insertTextFormat") == 2
          and repeat[0]["textEdit"]["newText"].startswith("repeat ${1:")
          and repeat[0]["textEdit"]["newText"].endswith("\n   $0\nend")
          and repeat[0]["textEdit"]["range"]["start"]["character"] == 0,
          "command completion: %s" % repeat)
    # A file name after include.
    c.notify("textDocument/didChange", {
        "textDocument": {"uri": uri, "version": 7},
        "contentChanges": [{"range": {"start": {"line": 5, "character": 0},
                                      "end": {"line": 5, "character": 2}},
                            "text": 'include "te'}]})
    items = c.request("textDocument/completion", {
        "textDocument": {"uri": uri}, "position": {"line": 5, "character": 11}})["result"]
    check({i["label"] for i in items} == {"templates/", "pages.csv", "parts.htm", "site.bld"},
          "file completion: %s" % [i["label"] for i in items])
    c.notify("textDocument/didChange", {"textDocument": {"uri": uri, "version": 8},
                                        "contentChanges": [{"text": text}]})

    # Hover: a tag's body (line breaks flattened) and a field's first value.
    hover = c.request("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": 6, "character": 6}})["result"]
    check(hover and "the menu goes here" in hover["contents"]["value"], "tag hover: %s" % hover)
    hover = c.request("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": 7, "character": 22}})["result"]
    check(hover and "a | b" in hover["contents"]["value"], "include tag hover: %s" % hover)
    hover = c.request("textDocument/hover", {
        "textDocument": {"uri": uri}, "position": {"line": 5, "character": 16}})["result"]
    check(hover and "Home" in hover["contents"]["value"], "field hover: %s" % hover)

    # Definition: the included file, the data set's file.
    where = c.request("textDocument/definition", {
        "textDocument": {"uri": uri}, "position": {"line": 4, "character": 12}})["result"]
    check(where and where["uri"] == uri_of(os.path.join(site, "templates/page.htm")),
          "include definition: %s" % where)
    where = c.request("textDocument/definition", {
        "textDocument": {"uri": uri}, "position": {"line": 2, "character": 15}})["result"]
    check(where and where["uri"] == uri_of(os.path.join(site, "pages.csv")),
          "data set definition: %s" % where)

    # Formatting: what the command line's --reformat makes, with LF kept.
    edits = c.request("textDocument/formatting", {
        "textDocument": {"uri": uri}, "options": {"tabSize": 4, "insertSpaces": True}})["result"]
    reformatted, _ = cli("--settings", prop, "--reformat", build)
    check(len(edits) == 1 and edits[0]["newText"] == reformatted.replace("\r\n", "\n")
          and edits[0]["range"]["end"] == {"line": 11, "character": 0}
          and '\n         include "parts.htm"' in edits[0]["newText"],
          "formatting: %s" % edits)

    # A save checks the file on disk.
    write(build, bad)
    c.notify("textDocument/didSave", {"textDocument": {"uri": uri}})
    diags = c.diagnostics(uri)
    check([d["range"]["start"]["line"] for d in diags] == [5], "save check: %s" % diags)

    # What the protocol refuses.
    c.send_raw(b"{not json")
    m = c.wait(lambda m: m.get("error", {}).get("code") == -32700)
    check(m["id"] is None, "a parse error has no id")
    c.send_raw(b'{"jsonrpc": "2.0", "id": 77, "method": "weftsmith/nothing"}')
    check(c.wait(lambda m: m.get("id") == 77)["error"]["code"] == -32601, "unknown method")
    c.send_raw(b'{"jsonrpc": "2.0", "method": "weftsmith/nothing"}')  # ignored
    c.send_raw(b'{"jsonrpc": "2.0", "id": [1], "method": "shutdown"}')
    check(c.wait(lambda m: "error" in m)["error"]["code"] == -32600, "an array id")
    missing = c.request("textDocument/hover", {"textDocument": {"uri": uri + "x"},
                                               "position": {"line": 0, "character": 0}})
    check(missing["error"]["code"] == -32602, "hover of a closed document: %s" % missing)

    check(c.request("shutdown", None)["result"] is None, "shutdown")
    check(c.request("textDocument/hover", {})["error"]["code"] == -32600,
          "a request after shutdown")
    c.notify("exit", None)
    check(c.proc.wait(timeout=20) == 0, "exit after shutdown gives 0")

    # exit without shutdown: 1. A client that vanishes mid-message: 1, no hang.
    c = Client([SERVER], env)
    c.request("initialize", {"capabilities": {}})
    c.notify("exit", None)
    check(c.proc.wait(timeout=20) == 1, "exit without shutdown gives 1")
    c = Client([SERVER], env)
    c.proc.stdin.write(b"Content-Length: 100\r\n\r\n{\"jsonrpc\"")
    check(c.finish() == 1, "the end of the input ends the server")
finally:
    shutil.rmtree(work, ignore_errors=True)

if failures:
    print("%d failures" % len(failures), file=sys.stderr)
    sys.exit(1)
print("lsp conversation: ok")
