"""The help-text reading behind the manual page and the completion, on the
shapes of help text the program's commands print."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "packaging"))
import clihelp  # noqa: E402

HELP = """Usage: headwise-cli audit [options] FILE|FOLDER|URL...
Checks the head of each page.
Settings come from a file like this:
{"rules":{"ID":"off"}}

Options:
  --format <FORMAT>    Report format: text (default), json, sarif or
                       junit.
  -o, --output <FILE>  Write the report to FILE instead of standard output.
  --crawl              Follow same-origin links.
  -h, --help           Displays help on commandline options.

Arguments:
  inputs               Page files, folders and http(s)
                       addresses.
"""


class ValueKind(unittest.TestCase):
    def test_kinds(self):
        cases = [
            # value name, description, kind
            ("FILE", "Read the settings from FILE.", "file"),
            ("BLOCKFILE", "File holding the tag block.", "file"),
            ("OUT", "Write here instead of back to PAGE.", "file"),
            ("FILE|URL", "Audit the pages a sitemap lists.", "file"),
            ("FILE|FOLDER|URL", "Where to look.", "file"),
            ("DIR", "Where to write.", "dir"),
            ("TIMEOUT", "Seconds to wait.", "text"),
            ("N", "Pages audited at once (default: the number of cores).", "text"),
            ("text", "Website title (required).", "text"),
            ("ID=off|info|warning|error", "Set a rule's severity, or off.", "text"),
            ("mode", "", "text"),
            ("fast|slow", "How to run.", "choice:fast|slow"),
            ("FORMAT", "Report format: text (default), json, sarif or junit.", "choice:text|json|sarif|junit"),
            ("LEVEL", "Lowest severity that makes the exit code 1: error (default), warning, or never.",
             "choice:error|warning|never"),
            ("text", '"MetaTags Only" or "HTML Page".', "choice:MetaTags Only|HTML Page"),
            ("text", "Keywords, separated by \", \".", "text"),
            ("N", "Pages a crawl audits at most per address (default 200).", "text"),
        ]
        for value, description, kind in cases:
            with self.subTest(value=value, description=description):
                self.assertEqual(clihelp.value_kind(value, description), kind)


class HelpText(unittest.TestCase):
    def test_options_with_wrapped_descriptions(self):
        parts = clihelp.sections(HELP)
        self.assertEqual(sorted(parts), ["", "Arguments", "Options"])
        self.assertEqual([line for line in parts[""] if line][-1], '{"rules":{"ID":"off"}}')
        options = clihelp.entries(parts["Options"], clihelp.OPTION_LINE)
        self.assertEqual(options, [
            ["--format", "FORMAT", "Report format: text (default), json, sarif or junit."],
            ["-o, --output", "FILE", "Write the report to FILE instead of standard output."],
            ["--crawl", None, "Follow same-origin links."],
            ["-h, --help", None, "Displays help on commandline options."],
        ])
        self.assertEqual(clihelp.entries(parts["Arguments"], clihelp.ARGUMENT_LINE),
                         [["inputs", "Page files, folders and http(s) addresses."]])

    def test_roff_escapes(self):
        cases = [
            ("--json", "\\-\\-json"),
            (".starts with a dot", "\\&.starts with a dot"),
            ("'quote first", "\\&'quote first"),
            ("back\\slash", "back\\eslash"),
        ]
        for text, expected in cases:
            with self.subTest(text=text):
                self.assertEqual(clihelp.roff(text), expected)

    def test_completion_tables_quote_values(self):
        command = {"name": "create", "arguments": [], "options": [
            {"flags": ["--form"], "kind": "choice:It's|HTML Page"},
            {"flags": ["--alternate"], "kind": None}]}
        tables = clihelp.completion_tables([command])
        self.assertIn("[create]='--form --alternate'", tables)
        self.assertIn("['create --form']='choice:It'\\''s|HTML Page'", tables)
        self.assertNotIn("create --alternate'", tables)


class ZshSpecs(unittest.TestCase):
    def test_option_specs(self):
        cases = [
            # option, words as zsh reads them
            ({"flags": ["--json"], "value": None, "kind": None, "description": "One object [per page]."},
             ["'--json[One object \\[per page\\].]'"]),
            ({"flags": ["-o", "--output"], "value": "FILE", "kind": "file", "description": "Write it."},
             ["'(-o --output)-o+[Write it.]:file:_files'", "'(-o --output)--output=[Write it.]:file:_files'"]),
            ({"flags": ["--form"], "value": "text", "kind": "choice:HTML Page|Tags", "description": "Layout."},
             ["'--form=[Layout.]:text:(HTML\\ Page Tags)'"]),
            ({"flags": ["--title"], "value": "text", "kind": "text", "description": "The page's title."},
             ["'--title=[The page'\\''s title.]:text: '"]),
            ({"flags": ["--into"], "value": "DIR", "kind": "dir", "description": "Where."},
             ["'--into=[Where.]:dir:_files -/'"]),
            ({"flags": ["--rule"], "value": "ID=LEVEL", "kind": "text",
              "description": "A rule. May be given more than once."},
             ["'*--rule=[A rule. May be given more than once.]:id=level: '"]),
        ]
        for option, argwords in cases:
            with self.subTest(flags=option["flags"]):
                self.assertEqual(clihelp.zsh_option_specs(option), argwords)


if __name__ == "__main__":
    unittest.main()
