"""The benchmark site: its inputs, a reference model of the pages a build
makes from them, and the same site written as Jinja2 and awk templates.

Everything is derived from one seed, so a size and a seed always give the same
bytes. The reference model follows the engine's output rules:

- an included file is flattened to one line (runs of four line breaks become
  a blank, then runs of two, then single ones);
- every output starts with an empty piece, and each piece is one line ending
  in CR LF when written;
- a tag block's text becomes one piece after each place of the tag; a wide
  tag's old body and markers go, and blanks right after it are dropped;
- a tag with a value replaces the marker in place;
- a field value loses its trailing blanks, and an empty one is one blank.
"""

import random
import re

CRLF = "\r\n"
SITE_NAME = "Bench Site"
COLUMNS = ["File", "Title", "Author", "Date", "Summary", "Section"]
SECTIONS = ["news", "guides", "reference", "blog", "events"]

# Characters that mark placeholders while the native templates are derived.
FIELD_MARK = "\x01"  # \x01name\x01: a value filled per page
REGION_START = "\x02"  # \x02name\x02 ... \x02/\x02: text that came from a fragment
NOTE_MARK = "\x03note\x03"  # the place of the conditional news note

WORDS = (
    "alpha amber anchor arch arrow atlas autumn badge bamboo banner basin beacon birch "
    "blossom border branch breeze bridge brook canvas canyon cargo cedar chalk channel "
    "charter cinder circuit citadel cliff clover cobalt comet compass copper coral cotton "
    "crater crystal current dawn delta desert dial drift dune eagle echo ember engine "
    "estuary fabric falcon feather fern field filter flint forest fountain frost galaxy "
    "garden garnet glacier granite grove harbor harvest hazel heron horizon island ivory "
    "jasper journal juniper kernel lantern lattice ledger lemon lichen linen lotus lumen "
    "maple marble meadow meridian mesa mineral mirror mosaic motor needle nectar north "
    "oasis ocean olive onyx orbit orchard paper pebble pepper pillar pine plaza prairie "
    "prism quarry quartz quill radar raven reef ribbon ridge river rocket saddle sail "
    "sapphire season shadow shelter signal silver sketch slate spark spindle spruce "
    "summit sunset swift tablet tangent thistle thunder timber tower trail tundra valley "
    "velvet vessel violet voyage walnut willow window winter yarrow zenith zephyr"
).split() + ["café", "naïve", "señal", "über", "fjörd"]

FIRST_NAMES = ["Ada", "Bram", "Cleo", "Dmitri", "Elif", "Farid", "Greta", "Hana", "Ines",
               "Jonas", "Kaito", "Lena", "Mateo", "Nia", "Oskar", "Priya", "Quentin",
               "Rosa", "Sven", "Tomás", "Uma", "Vera", "Wim", "Yara", "Zoë"]
LAST_NAMES = ["Adler", "Berg", "Costa", "Dahl", "Eklund", "Fischer", "García", "Horvat",
              "Ivanova", "Jensen", "Kowalski", "Lindqvist", "Moreau", "Novak", "Okafor",
              "Petrov", "Quist", "Rossi", "Santos", "Tanaka", "Ulrich", "Varga", "Weiss"]

BUILD_FILE = """\
-- Benchmark site: one page per record of data.csv, made from one template,
-- a header fragment included whole and a menu taken from a fragment's tag.
set site "Bench Site"
repeat page "data.csv"
  new page:"File"
    include "templates/page.htm"
    tag "header"
      include "fragments/header.htm"
    end
    tag "menu"
      include "fragments/menu.htm" "menu"
    end
    tag "body"
      include "fragments/body.htm"
      tag "section" page:"Section"
    end
    if page:"Section" is "news" then
      tag "note"
        include "fragments/menu.htm" "newsnote"
      end
    else
      tag "note" ""
    end
    tag "site" site
    tag "title" page:"Title"
    tag "author" page:"Author"
    tag "date" page:"Date"
    tag "summary" page:"Summary"
  end
end
"""


# --- Content ---------------------------------------------------------------


def _words(rng, low, high):
    return " ".join(rng.choice(WORDS) for _ in range(rng.randint(low, high)))


def _sentence(rng):
    text = _words(rng, 6, 14)
    return text[0].upper() + text[1:] + "."


def _paragraph(rng, sentences):
    return " ".join(_sentence(rng) for _ in range(sentences))


def make_fragments(seed):
    """The template and fragment files, as {relative path: text}.

    page.htm and body.htm use CR LF, header.htm and menu.htm plain LF, so both
    line ends are exercised. Runs of one to five empty lines exercise the
    flattening rule."""
    rng = random.Random(f"fragments-{seed}")
    css = []
    for i in range(40):
        css.append(f".b{i} {{ margin: {rng.randint(0, 9)}px {rng.randint(0, 24)}px; "
                   f"color: #{rng.randrange(0x1000000):06x}; "
                   f"font-size: {rng.randint(10, 22)}px; }}")
    aside = []
    for i in range(8):
        aside.append(f'<section class="b{i}">')
        aside.append(f"<h3>{_words(rng, 2, 4).title()}</h3>")
        aside.append(f"<p>{_paragraph(rng, 3)}</p>")
        aside.append("</section>")
        aside.extend([""] * (i % 6))  # zero to five empty lines
    page = [
        "<!DOCTYPE html>",
        '<html lang="en">',
        "<head>",
        '<meta charset="utf-8">',
        "<title>%%title%% - %%site%%</title>",
        '<meta name="author" content="%%author%%">',
        '<meta name="description" content="%%summary%%">',
        "<style>",
        *css,
        "</style>",
        "</head>",
        "<body>",
        "%%header%%",
        "<nav>",
        '<!--tag "menu"-->',
        "The menu goes here.",
        '<!--/tag "menu"-->',
        "</nav>",
        "<main>",
        "<h1>%%title%%</h1>",
        '<p class="byline">By %%author%%, %%date%%</p>',
        "",
        "<article>",
        '<!--tag "body"-->',
        "The page's text goes here.",
        '<!--/tag "body"-->',
        "</article>",
        "%%note%%",
        "</main>",
        "",
        "",
        "",
        "",
        "<aside>",
        *aside,
        "</aside>",
        "<footer>",
        f"<p>{_paragraph(rng, 2)}</p>",
        "<p>Built for %%site%%.</p>",
        "</footer>",
        "</body>",
        "</html>",
    ]
    header = [
        '<header class="site">',
        '<a class="home" href="../index.htm">%%site%%</a>',
        "",
        '<span class="crumb">%%title%%</span>',
        "</header>",
    ]
    menu = ["Shared parts of the site. Each is the body of a wide tag.", "",
            '<!--tag "menu"-->', "<ul>"]
    for i in range(24):
        menu.append(f'<li><a href="p{i:05d}.htm">{_words(rng, 1, 3).title()}</a></li>')
    menu += ["</ul>", '<!--/tag "menu"-->', "", "", "",
             '<!--tag "newsnote"--><p class="note">News pages are rebuilt with every run of '
             '%%site%%.</p><!--/tag "newsnote"-->', ""]
    body = ['<p class="lead">%%summary%%</p>', "<p>Filed under %%section%%.</p>", ""]
    for i in range(6):
        body.append(f"<p>{_paragraph(rng, 3)}</p>")
        body.extend([""] * (i % 3))
    return {
        "templates/page.htm": CRLF.join(page) + CRLF,
        "fragments/header.htm": "\n".join(header) + "\n",
        "fragments/menu.htm": "\n".join(menu) + "\n",
        "fragments/body.htm": CRLF.join(body) + CRLF,
    }


def make_records(n, seed):
    """n records as lists of column texts, some fields empty."""
    rng = random.Random(f"records-{seed}")
    width = max(5, len(str(n)))
    records = []
    for i in range(n):
        title = _words(rng, 3, 7).title()
        author = "" if rng.random() < 0.1 else f"{rng.choice(FIRST_NAMES)} {rng.choice(LAST_NAMES)}"
        date = f"{rng.randint(2015, 2025)}-{rng.randint(1, 12):02d}-{rng.randint(1, 28):02d}"
        summary = "" if rng.random() < 0.05 else _words(rng, 8, 24).capitalize() + "."
        section = "" if rng.random() < 0.08 else rng.choice(SECTIONS)
        records.append([f"pages/p{i:0{width}d}.htm", title, author, date, summary, section])
    return records


def data_file_text(records, seed):
    lines = [",".join(COLUMNS), f"# benchmark records, seed {seed}"]
    lines += [",".join(r) for r in records]
    return "\n".join(lines) + "\n"


# --- Reference model of the engine's output ----------------------------------


def split_lines(text):
    """Lines of a text with CR LF, LF or lone CR line ends; a final break does
    not start another line."""
    if not text:
        return [], False
    lines = re.split(r"\r\n|\n|\r", text)
    ends = lines[-1] == ""
    if ends:
        lines.pop()
    return lines, ends


def flatten(text):
    lines, ends = split_lines(text)
    text = CRLF.join(lines) + (CRLF if ends else "")
    for run in (4, 2, 1):
        text = text.replace(CRLF * run, " ")
    return text


def _short(name):
    return f"%%{name}%%"


def _wide(name):
    return f'<!--tag "{name}"-->', f'<!--/tag "{name}"-->'


def include_tag_body(text, name):
    opening, closing = _wide(name)
    flat = flatten(text)
    p = flat.index(opening)
    q = flat.index(closing)
    return flat[p + len(opening):q] if q > p else ""


class Piece:
    """One line of an output text; a class so that insertion points are
    references that stay valid while pieces are inserted."""

    __slots__ = ("text",)

    def __init__(self, text):
        self.text = text


def _insert_after(pieces, piece, text):
    for i, p in enumerate(pieces):
        if p is piece:
            pieces.insert(i + 1, Piece(text))
            return
    raise AssertionError("insertion point not in the output")


def find_insertion_points(pieces, name):
    """Removes every place of the tag and returns the pieces after which a
    block's text goes. Only wide tags whose markers share a piece are
    modelled; the benchmark site has no others."""
    marker = _short(name)
    points = []
    i = 0
    while i < len(pieces):
        piece = pieces[i]
        p = piece.text.find(marker)
        if p < 0:
            i += 1
            continue
        rest = piece.text[p + len(marker):]
        piece.text = piece.text[:p]
        if rest:
            pieces.insert(i + 1, Piece(rest))
        points.append(piece)
        i += 1
    opening, closing = _wide(name)
    wide = []
    i = 0
    while i < len(pieces):
        piece = pieces[i]
        p = piece.text.find(opening)
        if p < 0:
            i += 1
            continue
        q = piece.text.find(closing, p + len(opening))
        if q < 0:
            raise NotImplementedError("wide tag across pieces")
        after = piece.text[q + len(closing):]
        rest = after.lstrip(" ")
        if rest:
            piece.text = piece.text[:p]
            pieces.insert(i + 1, Piece(rest))
        else:
            piece.text = piece.text[:p] + after
        wide.append(piece)
        i += 1
    return wide + points[len(wide):]


def fill_tag_block(pieces, name, body):
    points = find_insertion_points(pieces, name)
    block = [Piece("")]
    body(block)
    text = "".join(p.text for p in block)
    for point in points:
        _insert_after(pieces, point, text)


def replace_tag(pieces, name, value):
    marker = _short(name)
    opening, closing = _wide(name)
    for piece in pieces:
        piece.text = piece.text.replace(marker, value)
        p = piece.text.find(opening)
        while p >= 0:
            q = piece.text.find(closing, p + len(opening))
            if q < 0:
                raise NotImplementedError("wide tag across pieces")
            piece.text = piece.text[:p] + value + piece.text[q + len(closing):]
            p = piece.text.find(opening, p + len(value))


def field_value(record, column):
    """A field as the engine reads it: trailing blanks go (after the first
    column), and an empty value is one blank."""
    i = COLUMNS.index(column)
    value = record[i] if i == 0 else record[i].rstrip(" ")
    return value or " "


def build_page(files, record, symbolic=None):
    """The lines of one page, as the build file makes them.

    symbolic=None: real values. symbolic="news" or "other": values become
    placeholders, included texts are wrapped in region marks, and the given
    branch of the section test is taken (in "other" the note is a placeholder
    rather than one blank), so that native templates can be cut from it."""

    def value(column):
        return FIELD_MARK + column.lower() + FIELD_MARK if symbolic else field_value(record, column)

    def region(name, text):
        return f"{REGION_START}{name}{REGION_START}{text}{REGION_START}/{REGION_START}" if symbolic else text

    def include(out, path, name):
        out.append(Piece(region(name, flatten(files[path]))))

    def include_tag(out, path, tag):
        out.append(Piece(region(tag, include_tag_body(files[path], tag))))

    out = [Piece("")]
    out.append(Piece(flatten(files["templates/page.htm"])))
    fill_tag_block(out, "header", lambda b: include(b, "fragments/header.htm", "header"))
    fill_tag_block(out, "menu", lambda b: include_tag(b, "fragments/menu.htm", "menu"))

    def body(b):
        include(b, "fragments/body.htm", "body")
        replace_tag(b, "section", value("Section"))

    fill_tag_block(out, "body", body)
    news = symbolic == "news" if symbolic else field_value(record, "Section") == "news"
    if news:
        fill_tag_block(out, "note", lambda b: include_tag(b, "fragments/menu.htm", "newsnote"))
    else:
        replace_tag(out, "note", NOTE_MARK if symbolic else " ")
    replace_tag(out, "site", FIELD_MARK + "site" + FIELD_MARK if symbolic else SITE_NAME)
    for column in ("Title", "Author", "Date", "Summary"):
        replace_tag(out, column.lower(), value(column))
    return [p.text for p in out]


def page_bytes(lines):
    return "".join(line + CRLF for line in lines).encode("utf-8")


# --- Native templates ---------------------------------------------------------

_REGION = re.compile(f"{REGION_START}(\\w+){REGION_START}(.*?){REGION_START}/{REGION_START}",
                     re.S)
_FIELD = re.compile(f"{FIELD_MARK}(\\w+){FIELD_MARK}")


def _cut_regions(text, regions):
    """Moves each region's text into regions[name] and leaves {{>name}}."""

    def cut(match):
        name, body = match.group(1), match.group(2)
        if regions.setdefault(name, body) != body:
            raise AssertionError(f"region {name} differs between its places")
        return "{{>" + name + "}}"

    return _REGION.sub(cut, text)


def native_templates(files):
    """The page as templates with {{name}} values, {{>name}} fragments and one
    {{note}} place: returns (page, {fragment: text}). Checks that the two
    branches of the section test differ only at the note."""
    regions = {}
    other = _cut_regions(CRLF.join(build_page(files, None, "other")) + CRLF, regions)
    news = _cut_regions(CRLF.join(build_page(files, None, "news")) + CRLF, regions)
    if other.replace(NOTE_MARK, CRLF + "{{>newsnote}}" + CRLF) != news:
        raise AssertionError("the news branch differs from the other branch beyond the note")
    page = _FIELD.sub(r"{{\1}}", other.replace(NOTE_MARK, "{{note}}"))
    fragments = {name: _FIELD.sub(r"{{\1}}", text) for name, text in regions.items()}
    for text in [page, *fragments.values()]:
        stray = re.sub(r"\{\{>?\w+\}\}", "", text)
        if any(s in stray for s in ("{{", "{%", "{#", "\x01", "\x02", "\x03")):
            raise AssertionError("template text would be read as template syntax")
    return page, fragments


def to_jinja(text):
    text = re.sub(r"\{\{>(\w+)\}\}", r'{% include "\1.j2" %}', text)
    note = '{% if section == "news" %}' + CRLF + '{% include "newsnote.j2" %}' + CRLF + \
        "{% else %} {% endif %}"
    text = text.replace("{{note}}", note)
    return re.sub(r"\{\{(\w+)\}\}", r"{{ \1 }}", text)


# --- Writing a site -----------------------------------------------------------


def write_bytes(path, data):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(data)


def write_site(root, n, seed):
    """Writes the site of n pages under root and returns the expected pages as
    a list of (relative output name, bytes) in record order.

    root/site     data.csv, site.bld, templates/, fragments/, pages/ (empty)
    root/jinja    page.j2 and its included templates
    root/awk      page.tpl and its fragments"""
    files = make_fragments(seed)
    records = make_records(n, seed)
    site = root / "site"
    for rel, text in files.items():
        write_bytes(site / rel, text.encode("utf-8"))
    write_bytes(site / "data.csv", data_file_text(records, seed).encode("utf-8"))
    write_bytes(site / "site.bld", BUILD_FILE.encode("utf-8"))
    (site / "pages").mkdir()

    page, fragments = native_templates(files)
    write_bytes(root / "jinja" / "page.j2", to_jinja(page).encode("utf-8"))
    for name, text in fragments.items():
        write_bytes(root / "jinja" / f"{name}.j2", to_jinja(text).encode("utf-8"))
        write_bytes(root / "awk" / f"{name}.tpl", text.encode("utf-8"))
    write_bytes(root / "awk" / "page.tpl", page.encode("utf-8"))

    return [(r[0], page_bytes(build_page(files, r))) for r in records]
