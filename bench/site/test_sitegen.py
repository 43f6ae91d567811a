"""Checks of the benchmark's reference model and of the templates derived
from it.  Run: python3 -m unittest discover -s bench/site -p 'test_*.py'"""

import unittest

import jinja2

import sitegen
from sitegen import Piece


def texts(pieces):
    return [p.text for p in pieces]


def pieces(*items):
    return [Piece(t) for t in items]


class FlattenTest(unittest.TestCase):
    def test_lines_become_one_line_with_a_blank_per_break(self):
        self.assertEqual(sitegen.flatten("A\r\nB\r\nC"), "A B C")
        self.assertEqual(sitegen.flatten("A\r\nB\r\nC\r\n"), "A B C ")

    def test_runs_of_breaks(self):
        # 4 -> one blank, then 2 -> one blank, then 1 -> one blank.
        expected = {1: " ", 2: " ", 3: "  ", 4: " ", 5: "  ", 6: "  ", 7: "   ", 8: "  "}
        for run, blanks in expected.items():
            with self.subTest(run=run):
                self.assertEqual(sitegen.flatten("a" + "\r\n" * run + "b"), "a" + blanks + "b")

    def test_lf_and_lone_cr_count_as_line_breaks(self):
        self.assertEqual(sitegen.flatten("a\n\n\nb\n"), sitegen.flatten("a\r\n\r\n\r\nb\r\n"))
        self.assertEqual(sitegen.flatten("a\rb"), "a b")

    def test_empty_file(self):
        self.assertEqual(sitegen.flatten(""), "")


class TagTest(unittest.TestCase):
    def fill(self, output, name, text):
        sitegen.fill_tag_block(output, name, lambda b: b.append(Piece(text)))
        return texts(output)

    def test_block_in_short_tag_splits_the_piece(self):
        self.assertEqual(self.fill(pieces("", "a%%x%%b"), "x", "Y"), ["", "a", "Y", "b"])

    def test_block_in_wide_tag_drops_old_body_markers_and_following_blanks(self):
        output = pieces('head<!--tag "x"-->old<!--/tag "x"-->  tail')
        self.assertEqual(self.fill(output, "x", "NEW"), ["head", "NEW", "tail"])

    def test_block_goes_to_every_place_of_the_tag(self):
        self.assertEqual(self.fill(pieces("1%%x%%2%%x%%3"), "x", "Y"), ["1", "Y", "2", "Y", "3"])

    def test_block_for_absent_tag_changes_nothing(self):
        self.assertEqual(self.fill(pieces("", "abc"), "x", "Y"), ["", "abc"])

    def test_value_replaces_short_and_wide_tags_in_place(self):
        output = pieces("1%%x%%2%%x%%3", 'a<!--tag "x"-->b<!--/tag "x"-->c')
        sitegen.replace_tag(output, "x", "v")
        self.assertEqual(texts(output), ["1v2v3", "avc"])

    def test_tag_body_of_an_included_file(self):
        text = 'x\r\n<!--tag "m"-->\r\none\r\ntwo\r\n<!--/tag "m"-->\r\n'
        self.assertEqual(sitegen.include_tag_body(text, "m"), " one two ")

    def test_field_values(self):
        record = ["p.htm", "Title  ", "", "2020-01-01", "", "news"]
        self.assertEqual(sitegen.field_value(record, "Title"), "Title")
        self.assertEqual(sitegen.field_value(record, "Author"), " ")
        self.assertEqual(sitegen.field_value(record, "Section"), "news")


class SiteTest(unittest.TestCase):
    def test_pages_start_with_an_empty_line_and_end_lines_in_crlf(self):
        files = sitegen.make_fragments(1)
        data = sitegen.page_bytes(sitegen.build_page(files, sitegen.make_records(1, 1)[0]))
        self.assertTrue(data.startswith(b"\r\n<!DOCTYPE html>"))
        self.assertTrue(data.endswith(b"\r\n"))
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
        self.assertNotIn(b"%%", data)
        self.assertNotIn(b"<!--tag", data)

    def test_records_cover_blank_fields_and_both_branches(self):
        records = sitegen.make_records(300, 1)
        self.assertTrue(any(r[2] == "" for r in records))
        self.assertTrue(any(r[4] == "" for r in records))
        sections = {r[5] for r in records}
        self.assertIn("news", sections)
        self.assertIn("", sections)
        self.assertEqual(len({r[0] for r in records}), 300)
        self.assertFalse(any("," in f or '"' in f for r in records for f in r))

    def test_jinja_templates_render_the_model_pages(self):
        files = sitegen.make_fragments(3)
        page, fragments = sitegen.native_templates(files)
        loader = jinja2.DictLoader({"page.j2": sitegen.to_jinja(page),
                                    **{f"{k}.j2": sitegen.to_jinja(v) for k, v in fragments.items()}})
        env = jinja2.Environment(loader=loader, autoescape=False, newline_sequence="\r\n",
                                 keep_trailing_newline=True)
        template = env.get_template("page.j2")
        for record in sitegen.make_records(60, 3):
            values = {c.lower(): sitegen.field_value(record, c) for c in sitegen.COLUMNS[1:]}
            rendered = template.render(site=sitegen.SITE_NAME, **values).encode("utf-8")
            self.assertEqual(rendered, sitegen.page_bytes(sitegen.build_page(files, record)),
                             record[0])


if __name__ == "__main__":
    unittest.main()
