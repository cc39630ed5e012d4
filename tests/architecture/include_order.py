#!/usr/bin/env python3
"""Fails on an include that runs against the order of the source folders.

Each folder may include its own headers and those of the folders before it
in LAYERS, never those after it, so that dependencies run one way with no
cycle. The core (model, triangle) includes no Qt header.

usage: include_order.py SRC_FOLDER
"""

import os
import re
import sys

LAYERS = [
    "model/base",       # failures, progress, figures, system resources, names shown
    "model/files",      # descriptors, identity, locks, durable writing, state files
    "model/rows",       # rows, row lines, the line list and its edits, the row-list file
    "model/journal",    # the journal of unsaved rows
    "triangle",         # the difference triangle, its CSV export and its grid
    "ui/base",          # small Qt helpers every part of the window uses
    "ui/dialogs",       # everything the window asks or tells in a modal window
    "ui/recovery",      # backups and journals offered back
    "ui/main_window",   # the main window's controls, list and commands
    "ui/command_line",  # the export without a window
    "ui/triangle_view", # the triangle's own window
    "ui",               # the main window Unit1 and start-up
]
CORE = ("model/", "triangle")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def layer_of(folder):
    return LAYERS.index(folder) if folder in LAYERS else None


def problems(src):
    for directory, _, names in os.walk(src):
        folder = os.path.relpath(directory, src)
        for name in sorted(names):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(folder, name)
            own = layer_of(folder)
            if own is None:
                yield f"{path}: its folder has no place in the order"
                continue
            for kind, included in INCLUDE.findall(open(os.path.join(src, path)).read()):
                if kind == "<":
                    if folder.startswith(CORE) and included.startswith("Q"):
                        yield f"{path}: the core includes Qt's <{included}>"
                    continue
                target = layer_of(os.path.dirname(included))
                if target is not None and target > own:
                    yield f"{path}: includes {included}, of a folder after its own"


def main():
    found = list(problems(sys.argv[1]))
    for problem in found:
        print(problem)
    print(f"{len(found)} includes against the order")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
