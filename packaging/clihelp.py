#!/usr/bin/env python3
"""Reads the command declarations headwise-cli prints with --declarations and
writes what follows them: the per-command part of the manual page (a help2man
include file) and the bash and zsh completion. Run at build time, so all three
always match the built program."""

import argparse
import json
import re
import subprocess
import sys


def run_declarations(cli):
    done = subprocess.run([cli, "--declarations"], capture_output=True, text=True, timeout=60)
    if done.returncode != 0:
        sys.exit(f"{cli} --declarations failed with {done.returncode}: {done.stderr}")
    return json.loads(done.stdout)


def value_kind(option):
    """What completes an option's value: file, dir, text or choice:A|B; None
    for an option that takes no value."""
    if "value" not in option:
        return None
    if option["choices"]:
        return "choice:" + "|".join(option["choices"])
    return "dir" if option["kind"] == "folder" else option["kind"]


def read_command(declared):
    arguments = declared["arguments"]
    return {
        "name": declared["name"],
        "summary": declared["summary"],
        "usage": " ".join(argument["syntax"] for argument in arguments),
        "about": [line for line in declared["description"].splitlines() if line.strip()],
        "options": [{
            "flags": option["flags"],
            "value": option.get("value"),
            "kind": value_kind(option),
            "description": option["description"],
            "repeatable": option["repeatable"],
        } for option in declared["options"]],
        "arguments": [[argument["name"], argument["description"]] for argument in arguments],
        # Every argument of a command names the same kind of thing.
        "argument_kind": "dir" if arguments and arguments[0]["kind"] == "folder"
                         else "file" if arguments else "none",
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
        out.append(f"  [{command['name']}]={command['argument_kind']}")
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
    # An option that may be given more than once stays on offer.
    if option["repeatable"]:
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
        if command["argument_kind"] != "none":
            argwords.append(zsh_quote(f"*:{command['argument_kind']}:{zsh_action(command['argument_kind'])}"))
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

    commands = [read_command(declared) for declared in run_declarations(args.cli)["commands"]]
    if not commands:
        sys.exit(f"{args.cli} declares no commands")

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
