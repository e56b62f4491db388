#!/usr/bin/env python3
"""Reads headwise-cli's own --help texts and writes what follows them: the
per-command part of the manual page (a help2man include file) and the bash
completion. Run at build time, so both always match the built program."""

import argparse
import re
import subprocess
import sys

COMMAND_LINE = re.compile(r"^  ([a-z][a-z0-9-]*)  +(\S.*)$")
OPTION_LINE = re.compile(r"^  (-[-\w]+(?:, -[-\w]+)*)(?: <([^>]*)>)?  +(\S.*)$")
ARGUMENT_LINE = re.compile(r"^  (\w[-\w.]*)  +(\S.*)$")
CONTINUATION = re.compile(r"^ {4,}(\S.*)$")
# Fixed values show either as a|b|c or as "A", "B" or "C".
CHOICES = re.compile(r"\b[a-z][a-z0-9-]*(?:\|[a-z][a-z0-9-]*)+\b")
QUOTED_CHOICES = re.compile(r'"[^"]+"(?:, "[^"]+")* or "[^"]+"')
FILE_VALUE = re.compile(r"file|path|out|page|config|sitemap", re.IGNORECASE)
DIR_VALUE = re.compile(r"dir|folder", re.IGNORECASE)


def run_help(cli, *words):
    done = subprocess.run([cli, *words, "--help"], capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        sys.exit(f"{cli} {' '.join(words)} --help failed with {done.returncode}: {done.stderr}")
    return done.stdout


def sections(text):
    """Splits a help text into its heading line's name -> lines, the part
    before the first heading under ''."""
    parts = {"": []}
    current = ""
    for line in text.splitlines():
        if line and not line.startswith(" ") and line.endswith(":"):
            current = line[:-1]
            parts[current] = []
        else:
            parts[current].append(line)
    return parts


def entries(lines, pattern):
    """The matches of pattern in lines, each wrapped continuation line joined
    to the entry above it as a last group."""
    found = []
    for line in lines:
        match = pattern.match(line)
        if match:
            found.append(list(match.groups()))
        elif found and CONTINUATION.match(line):
            found[-1][-1] += " " + CONTINUATION.match(line).group(1)
    return found


def value_kind(value, description):
    if DIR_VALUE.search(value):
        return "dir"
    if FILE_VALUE.search(value):
        return "file"
    choices = CHOICES.search(value) or CHOICES.search(description)
    if choices:
        return "choice:" + choices.group(0)
    quoted = QUOTED_CHOICES.search(description)
    if quoted:
        return "choice:" + "|".join(re.findall(r'"([^"]+)"', quoted.group(0)))
    return "text"


def read_command(cli, name):
    parts = sections(run_help(cli, name))
    head = [line for line in parts[""] if line.strip()]
    usage = head[0].split(" [options]", 1)[-1] if head else ""
    options = []
    for flags, value, description in entries(parts.get("Options", []), OPTION_LINE):
        options.append({
            "flags": flags.split(", "),
            "value": value,
            "kind": value_kind(value, description) if value else None,
            "description": description,
        })
    return {
        "name": name,
        "usage": usage.strip(),
        "about": head[1:],
        "options": options,
        "arguments": entries(parts.get("Arguments", []), ARGUMENT_LINE),
    }


def roff(text):
    text = text.replace("\\", "\\e").replace("-", "\\-")
    return "\\&" + text if text.startswith((".", "'")) else text


def manual_include(commands):
    out = ["[COMMANDS]"]
    for command in commands:
        synopsis = f"headwise-cli {command['name']} [options] {command['usage']}".strip()
        out.append(f'.SS "{roff(synopsis)}"')
        out.extend(roff(line) for line in command["about"])
        for option in command["options"]:
            flags = ", ".join(f"\\fB{roff(flag)}\\fR" for flag in option["flags"])
            if option["value"]:
                flags += f" \\fI{roff(option['value'])}\\fR"
            out += [".TP", flags, roff(option["description"])]
        for name, description in command["arguments"]:
            out += [".TP", f"\\fI{roff(name)}\\fR", roff(description)]
    return "\n".join(out) + "\n"


def bash_word(text):
    return "'" + text.replace("'", "'\\''") + "'"


def completion_tables(commands):
    names = " ".join(command["name"] for command in commands)
    out = [f"_headwise_cli_commands={bash_word(names)}", "declare -gA _headwise_cli_options=("]
    for command in commands:
        flags = " ".join(flag for option in command["options"] for flag in option["flags"])
        out.append(f"  [{command['name']}]={bash_word(flags)}")
    out += [")", "declare -gA _headwise_cli_values=("]
    for command in commands:
        for option in command["options"]:
            if option["kind"]:
                for flag in option["flags"]:
                    out.append(f"  [{bash_word(command['name'] + ' ' + flag)}]={bash_word(option['kind'])}")
    out += [")", "declare -gA _headwise_cli_arguments=("]
    for command in commands:
        out.append(f"  [{command['name']}]={'file' if command['arguments'] else 'none'}")
    out.append(")")
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--manual", required=True, help="help2man include file to write")
    parser.add_argument("--completion-template", required=True)
    parser.add_argument("--completion", required=True, help="bash completion file to write")
    args = parser.parse_args()

    top = sections(run_help(args.cli))
    names = [name for name, _ in entries(top.get("Commands", []), COMMAND_LINE)]
    if not names:
        sys.exit(f"{args.cli} --help lists no commands")
    commands = [read_command(args.cli, name) for name in names]

    with open(args.manual, "w", encoding="utf-8") as manual:
        manual.write(manual_include(commands))
    with open(args.completion_template, encoding="utf-8") as template:
        script = template.read().replace("@TABLES@", completion_tables(commands))
    with open(args.completion, "w", encoding="utf-8") as completion:
        completion.write(script)


if __name__ == "__main__":
    main()
