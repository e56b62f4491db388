"""How the command declarations become the manual page and the completion."""

import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "packaging"))
import clihelp  # noqa: E402

DECLARED = {
    "name": "audit", "summary": "check pages",
    "description": "Checks the head of each page.\nSettings come from a file like this:\n{\"rules\":{}}",
    "arguments": [{"name": "inputs", "description": "Pages.", "syntax": "FILE|FOLDER|URL...", "kind": "file"}],
    "options": [
        {"flags": ["--format"], "description": "Format.", "repeatable": False, "value": "FORMAT",
         "default": "text", "choices": ["text", "json"], "kind": "text"},
        {"flags": ["-o", "--output"], "description": "Write here.", "repeatable": False, "value": "FILE",
         "default": "", "choices": [], "kind": "file"},
        {"flags": ["--into"], "description": "Folder.", "repeatable": True, "value": "DIR",
         "default": "", "choices": [], "kind": "folder"},
        {"flags": ["--crawl"], "description": "Follow links.", "repeatable": False},
    ],
}


class Declarations(unittest.TestCase):
    def test_command(self):
        command = clihelp.read_command(DECLARED)
        self.assertEqual(command["usage"], "FILE|FOLDER|URL...")
        self.assertEqual(command["about"][-1], '{"rules":{}}')
        self.assertEqual(command["arguments"], [["inputs", "Pages."]])
        self.assertEqual(command["argument_kind"], "file")
        options = [(option["flags"], option["kind"], option["repeatable"]) for option in command["options"]]
        self.assertEqual(options, [
            (["--format"], "choice:text|json", False),
            (["-o", "--output"], "file", False),
            (["--into"], "dir", True),
            (["--crawl"], None, False),
        ])
        self.assertEqual(clihelp.read_command(dict(DECLARED, arguments=[]))["argument_kind"], "none")


class Output(unittest.TestCase):
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
        command = {"name": "create", "argument_kind": "none", "options": [
            {"flags": ["--form"], "kind": "choice:It's|HTML Page"},
            {"flags": ["--alternate"], "kind": None}]}
        tables = clihelp.completion_tables([command])
        self.assertIn("[create]='--form --alternate'", tables)
        self.assertIn("['create --form']='choice:It'\\''s|HTML Page'", tables)
        self.assertNotIn("create --alternate'", tables)


def option(flags, description, value=None, kind=None, repeatable=False):
    return {"flags": flags, "description": description, "value": value, "kind": kind, "repeatable": repeatable}


class ZshSpecs(unittest.TestCase):
    def test_option_specs(self):
        cases = [
            # option, words as zsh reads them
            (option(["--json"], "One object [per page]."), ["'--json[One object \\[per page\\].]'"]),
            (option(["-o", "--output"], "Write it.", "FILE", "file"),
             ["'(-o --output)-o+[Write it.]:file:_files'", "'(-o --output)--output=[Write it.]:file:_files'"]),
            (option(["--form"], "Layout.", "text", "choice:HTML Page|Tags"),
             ["'--form=[Layout.]:text:(HTML\\ Page Tags)'"]),
            (option(["--title"], "The page's title.", "text", "text"), ["'--title=[The page'\\''s title.]:text: '"]),
            (option(["--into"], "Where.", "DIR", "dir"), ["'--into=[Where.]:dir:_files -/'"]),
            (option(["--rule"], "A rule.", "ID=LEVEL", "text", repeatable=True), ["'*--rule=[A rule.]:id=level: '"]),
        ]
        for spec, argwords in cases:
            with self.subTest(flags=spec["flags"]):
                self.assertEqual(clihelp.zsh_option_specs(spec), argwords)


if __name__ == "__main__":
    unittest.main()
