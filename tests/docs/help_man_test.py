#!/usr/bin/env python3
"""Each program's --help and its man page name the same long options, and rqtrace's man page has
a section for each command its help lists, naming that command's options. Reads only the texts,
so the help may come from any parser. Usage: help_man_test.py MANDIR PROGRAM... Exit 0 or 1."""

import os
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])--[a-z][a-z0-9-]*")
# Documented in the man page ahead of the code that another branch is landing: each entry must go
# once the option is in the help (the test says so), so the list cannot hide real drift.
AHEAD = {("rqtrace", "report"): {"--date", "--top", "--json", "--html", "--redact"},
         ("rqtrace", "story"): {"--days-back"}}


def help_text(program, *args):
    run = subprocess.run([program, *args, "--help"], capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, f"{program} {' '.join(args)} --help: exit {run.returncode}"
    return run.stdout


def help_commands(text):
    """The first words of the indented lines under a heading that names the commands."""
    commands, listing = [], False
    for line in text.splitlines():
        if re.fullmatch(r"\S.*commands?:\s*", line, re.IGNORECASE):
            listing = True
        elif listing and line.strip():
            if not line.startswith(" "):
                break
            commands.append(line.split()[0])
    return commands


def man_sections(path):
    """{section: text}, with rqtrace's commands as "COMMANDS/NAME"; roff escapes taken out."""
    text = re.sub(r"\\f(\[\w*\]|.)", "", open(path, encoding="utf-8").read()).replace("\\-", "-")
    sections, name = {}, ""
    for line in text.splitlines():
        if line.startswith(".SH "):
            name = line[4:].strip('" ')
        elif line.startswith(".SS ") and name.startswith("COMMANDS"):
            name = "COMMANDS/" + line[4:].strip('" ').split()[0]  # its heading names its options
        sections[name] = sections.get(name, "") + line + "\n"
    return sections


def options(text):
    return set(OPTION.findall(text))


def check(mandir, program):
    name = os.path.basename(program)
    man = man_sections(os.path.join(mandir, name + ".1"))
    top = help_text(program)
    globals_ = options(man.get("OPTIONS", ""))
    documented = {s.split("/")[1] for s in man if s.startswith("COMMANDS/")}
    helps = {c: help_text(program, c) for c in help_commands(top)}
    faults = []
    for command in sorted(set(helps) | documented):
        ahead = AHEAD.get((name, command), set())
        in_help = options(helps.get(command, "")) - globals_
        in_man = options(man.get("COMMANDS/" + command, "")) - globals_ - ahead
        if command in helps and (in_help != in_man or in_help & ahead):
            faults.append(f"{name} {command}: help {sorted(in_help)}, man page {sorted(in_man)}"
                          + (f"; now in the help, drop from AHEAD: {sorted(in_help & ahead)}"
                             if in_help & ahead else ""))
        elif command not in helps and not ahead:
            faults.append(f"{name}: the man page documents a command '{command}' the help lacks")
    everywhere_help = options(top + "".join(helps.values()))
    not_yet = set().union(*(a for (p, _), a in AHEAD.items() if p == name)) - everywhere_help
    everywhere_man = options("".join(man.values())) - not_yet
    if everywhere_help != everywhere_man:
        faults.append(f"{name}: only in the help {sorted(everywhere_help - everywhere_man)}, "
                      f"only in the man page {sorted(everywhere_man - everywhere_help)}")
    return faults


def main():
    faults = [f for program in sys.argv[2:] for f in check(sys.argv[1], program)]
    print("\n".join(faults) or f"help and man pages agree for {len(sys.argv) - 2} programs")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
