"""Renders the benchmark site with Jinja2: one page per record of the data
file, written under OUT_ROOT by the record's File column.

usage: render_jinja.py TEMPLATE_DIR DATA_CSV OUT_ROOT

Values follow the build language's field rules (trailing blanks dropped, an
empty field is one blank), so the pages match the engine's byte for byte.
"""

import csv
import os
import sys

import jinja2


def field(text):
    return text.rstrip(" ") or " "


def main():
    template_dir, data_csv, out_root = sys.argv[1:4]
    env = jinja2.Environment(
        loader=jinja2.FileSystemLoader(template_dir, encoding="utf-8"),
        autoescape=False,
        newline_sequence="\r\n",
        keep_trailing_newline=True,
    )
    page = env.get_template("page.j2")
    with open(data_csv, newline="", encoding="utf-8") as f:
        rows = [r for r in csv.reader(f) if r and r[0].strip() and not r[0].startswith("#")]
    header, records = rows[0], rows[1:]
    columns = {name: i for i, name in enumerate(header)}
    file_col = columns["File"]
    value_cols = [(name.lower(), i) for name, i in columns.items() if name != "File"]
    for record in records:
        values = {name: field(record[i]) for name, i in value_cols}
        text = page.render(site="Bench Site", **values)
        with open(os.path.join(out_root, record[file_col]), "w", encoding="utf-8",
                  newline="") as out:
            out.write(text)


if __name__ == "__main__":
    main()
