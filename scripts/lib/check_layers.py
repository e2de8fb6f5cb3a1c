#!/usr/bin/env python3
"""Checks the layers on includes: no file under src/ or tools/ includes a header of a higher layer.

    base < settings < readers < tracing < app < forms < views (gui, win32) < programs

A view includes no other view; a program's main() (src/programs/, or a *_main.cpp still in src/app/)
is the composition root and may include every layer; tools/sample uses base and its own files
only; nothing below the views includes a Qt header. Prints file:line for each offending include
and exits 1 when there is one.

    scripts/lib/check_layers.py [REPO]
"""

import os
import re
import sys

# Folder below src/ -> (rank, name); the first matching prefix counts.
LAYERS = [
    ("base/", 0, "base"), ("settings/", 1, "settings"), ("readers/", 2, "readers"),
    ("tracing/", 3, "tracing"), ("app/forms/", 5, "forms"), ("app/gui/", 6, "gui view"),
    ("app/win32/", 6, "win32 view"), ("app/", 4, "app"), ("programs/", 7, "programs"),
]
VIEW_RANK = 6
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def layer_of(path_below_src):
    for prefix, rank, name in LAYERS:
        if path_below_src.startswith(prefix):
            return rank, name
    return None


def includer_layer(rel):
    """The layer of a file given relative to the repository, None for files outside the layers."""
    if rel.startswith("tools/sample/"):
        return 0, "tools/sample"
    if not rel.startswith("src/"):
        return None
    below = rel[len("src/"):]
    if below.startswith("app/") and below.count("/") == 1 and below.endswith("_main.cpp"):
        return 7, "programs"  # a main() not yet moved to src/programs/
    return layer_of(below)


def check(root):
    faults = []
    for top in ("src", "tools"):
        for folder, _, files in os.walk(os.path.join(root, top)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(folder, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                own = includer_layer(rel)
                if own is None:
                    continue
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        fault = judge(root, rel, own, line)
                        if fault:
                            faults.append(f"{rel}:{number}: {fault}")
    return faults


def judge(root, rel, own, line):
    m = INCLUDE.match(line)
    if not m:
        return None
    kind, target = m.groups()
    rank, name = own
    if kind == "<":
        if rank < VIEW_RANK and name != "programs" and re.match(r"Q[A-Za-z]", target):
            return f"includes the Qt header <{target}>, which only the views may"
        return None
    # As the compiler looks: beside the including file first, then below src/.
    local = os.path.normpath(os.path.join(os.path.dirname(rel), target)).replace(os.sep, "/")
    resolved = local if os.path.exists(os.path.join(root, local)) else "src/" + target
    if name == "tools/sample" and resolved.startswith("tools/sample/"):
        return None  # a file of rqsample's own
    theirs = layer_of(resolved[len("src/"):]) if resolved.startswith("src/") else None
    if theirs is None:
        return None  # generated or found on another include path: not a layer's header
    if name == "tools/sample":
        return None if theirs[1] == "base" else f'includes "{target}" ({theirs[1]}); rqsample uses base only'
    if theirs[0] > rank:
        return f'includes "{target}" of the higher layer {theirs[1]} from {name}'
    if theirs[0] == rank == VIEW_RANK and theirs[1] != name:
        return f'includes "{target}": one view includes no other ({name})'
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
    faults = check(root)
    for fault in faults:
        print(fault)
    if faults:
        print(f"layers: {len(faults)} include(s) against the layers", file=sys.stderr)
        return 1
    print("layers: clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
