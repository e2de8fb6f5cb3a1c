#!/usr/bin/env python3
"""Each program's --help and its man page name the same long options, command by command for
rqtrace; only the texts are read, whatever parser made the help. Args: MANDIR PROGRAM..."""
import os, re, subprocess, sys

options = lambda text: set(re.findall(r"(?<![\w-])--[a-z][a-z0-9-]*", text))
# Documented ahead of the code another branch is landing. The test fails once an entry is in the
# help, so that it is dropped from here and cannot hide real drift.
AHEAD = {}


def help_text(program, *args):
    run = subprocess.run([program, *args, "--help"], capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, f"{program} {' '.join(args)} --help: exit {run.returncode}"
    return run.stdout


def help_commands(text):  # the first words of the indented lines under a "...commands:" heading
    listing = re.search(r"^(?=\S).*commands?:[ \t]*\n((?:[ \t]+\S.*\n|\n)*)", text, re.I | re.M)
    lines = [line for line in listing.group(1).splitlines() if line.strip()] if listing else []
    indent = lambda line: len(line) - len(line.lstrip())
    return [line.split()[0] for line in lines if indent(line) == indent(lines[0])]  # no wrapped text


def man_sections(path):  # {".SH name" or "COMMANDS/name" of an .SS there: its text, escapes out}
    text = re.sub(r"\\f(\[\w*\]|.)", "", open(path, encoding="utf-8").read()).replace("\\-", "-")
    sections, name = {}, ""
    for line in text.splitlines():
        if line.startswith(".SH "):
            name = line[4:].strip('" ')
        elif line.startswith(".SS ") and name.startswith("COMMANDS"):
            name = "COMMANDS/" + line[4:].strip('" ').split()[0]  # its heading names its options
        sections[name] = sections.get(name, "") + line + "\n"
    return sections


def check(mandir, program):
    name, faults = os.path.basename(program), []
    man, top = man_sections(os.path.join(mandir, name + ".1")), help_text(program)
    globals_, helps = options(man.get("OPTIONS", "")), {c: help_text(program, c) for c in help_commands(top)}
    for command in sorted(set(helps) | {s[9:] for s in man if s.startswith("COMMANDS/")}):
        ahead = AHEAD.get((name, command), set())
        in_help = options(helps.get(command, "")) - globals_
        in_man = options(man.get("COMMANDS/" + command, "")) - globals_ - ahead
        if (command in helps or not ahead) and (in_help != in_man or in_help & ahead or command not in helps):
            faults.append(f"{name} {command}: help {sorted(in_help)}, man page {sorted(in_man)}"
                          + (" (in the help now: drop it from AHEAD)" if in_help & ahead else ""))
    in_help = options(top + "".join(helps.values()))
    not_yet = set().union(*(a for (p, _), a in AHEAD.items() if p == name)) - in_help
    if in_help != options("".join(man.values())) - not_yet:
        faults.append(f"{name}: help {sorted(in_help)}, man page {sorted(options(''.join(man.values())))}")
    return faults


faults = [f for program in sys.argv[2:] for f in check(sys.argv[1], program)]
print("\n".join(faults) or f"help and man pages agree for {len(sys.argv) - 2} programs")
sys.exit(1 if faults else 0)
