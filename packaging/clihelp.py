#!/usr/bin/env python3
"""Reads headwise-cli's own --help texts and writes what follows them: the
per-command part of the manual page (a help2man include file) and the bash and
zsh completion. Run at build time, so all three always match the built program."""

import argparse
import re
import subprocess
import sys

COMMAND_LINE = re.compile(r"^  ([a-z][a-z0-9-]*)  +(\S.*)$")
OPTION_LINE = re.compile(r"^  (-[-\w]+(?:, -[-\w]+)*)(?: <([^>]*)>)?  +(\S.*)$")
ARGUMENT_LINE = re.compile(r"^  (\w[-\w.]*)  +(\S.*)$")
CONTINUATION = re.compile(r"^ {4,}(\S.*)$")
# "Options:", "Arguments:"; a sentence of the description may end in a colon too.
HEADING = re.compile(r"^([A-Z]\w*):$")
# Fixed values show as a value name a|b|c, as "A", "B" or "C", or as a list
# after a colon: "Format: text (default), json or sarif."
PIPED_CHOICES = re.compile(r"^[a-z][a-z0-9-]*(?:\|[a-z][a-z0-9-]*)+$")
QUOTED_CHOICES = re.compile(r'"[^"]+"(?:, "[^"]+")* or "[^"]+"')
WORD = r"[a-z][a-z0-9-]*(?: \(default\))?"
LISTED_CHOICES = re.compile(rf": ({WORD}(?:, {WORD})*,? or {WORD})\.?$")
# Value names that ask for a file (FILE, BLOCKFILE, OUT, FILE|URL) or a folder.
FILE_WORDS = {"path", "out", "output", "page", "config", "sitemap"}
DIR_WORDS = {"dir", "directory", "folder"}


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
        heading = HEADING.match(line)
        if heading:
            current = heading.group(1)
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
    words = {word.lower() for word in re.findall(r"[A-Za-z]+", value)}
    if any(word.endswith("file") for word in words) or words & FILE_WORDS:
        return "file"
    if words & DIR_WORDS:
        return "dir"
    if PIPED_CHOICES.match(value):
        return "choice:" + value
    quoted = QUOTED_CHOICES.search(description)
    if quoted:
        return "choice:" + "|".join(re.findall(r'"([^"]+)"', quoted.group(0)))
    listed = LISTED_CHOICES.search(description)
    if listed:
        words = re.split(r",? or |, ", listed.group(1).replace(" (default)", ""))
        return "choice:" + "|".join(words)
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


def zsh_quote(text):
    return "'" + text.replace("'", "'\\''") + "'"


def zsh_action(kind):
    if kind == "file":
        return "_files"
    if kind == "dir":
        return "_files -/"
    if kind.startswith("choice:"):
        return "(" + " ".join(value.replace(" ", "\\ ") for value in kind[len("choice:"):].split("|")) + ")"
    return " "


def zsh_option_specs(option):
    """_arguments words for one option, one per spelling; the spellings
    exclude each other."""
    flags = option["flags"]
    # An option the help says may be given more than once stays on offer.
    if "more than once" in option["description"]:
        exclusion = "*"
    else:
        exclusion = f"({' '.join(flags)})" if len(flags) > 1 else ""
    about = re.sub(r"([\\\[\]])", r"\\\1", option["description"])
    argwords = []
    for flag in flags:
        argword = exclusion + flag
        if option["kind"]:
            argword += "=" if flag.startswith("--") else "+"
        argword += f"[{about}]"
        if option["kind"]:
            message = option["value"].lower().replace(":", "\\:")
            argword += f":{message}:{zsh_action(option['kind'])}"
        argwords.append(zsh_quote(argword))
    return argwords


def zsh_tables(commands):
    out = ["  local -a commands=("]
    for command in commands:
        out.append("    " + zsh_quote(f"{command['name']}:{command['summary']}"))
    out += ["  )", "  if (( CURRENT == 2 )); then",
            "    [[ $PREFIX == -* ]] && compadd -- --help --version",
            "    _describe -t commands 'headwise-cli command' commands",
            "    return",
            "  fi",
            "  local command=$words[2]",
            "  shift words",
            "  (( CURRENT-- ))",
            "  case $command in"]
    for command in commands:
        argwords = [argword for option in command["options"] for argword in zsh_option_specs(option)]
        if command["arguments"]:
            argwords.append("'*:file:_files'")
        out.append(f"    ({command['name']})")
        out.append("      _arguments -s \\\n        " + " \\\n        ".join(argwords))
        out.append("      ;;")
    out.append("  esac")
    return "\n".join(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("cli")
    parser.add_argument("--manual", required=True, help="help2man include file to write")
    parser.add_argument("--completion-template", required=True)
    parser.add_argument("--completion", required=True, help="bash completion file to write")
    parser.add_argument("--zsh-template", required=True)
    parser.add_argument("--zsh", required=True, help="zsh completion file to write")
    args = parser.parse_args()

    top = sections(run_help(args.cli))
    listed = entries(top.get("Commands", []), COMMAND_LINE)
    if not listed:
        sys.exit(f"{args.cli} --help lists no commands")
    commands = [dict(read_command(args.cli, name), summary=summary) for name, summary in listed]

    with open(args.manual, "w", encoding="utf-8") as manual:
        manual.write(manual_include(commands))
    with open(args.completion_template, encoding="utf-8") as template:
        script = template.read().replace("@TABLES@", completion_tables(commands))
    with open(args.completion, "w", encoding="utf-8") as completion:
        completion.write(script)
    with open(args.zsh_template, encoding="utf-8") as template:
        script = template.read().replace("@TABLES@", zsh_tables(commands))
    with open(args.zsh, "w", encoding="utf-8") as completion:
        completion.write(script)


if __name__ == "__main__":
    main()
