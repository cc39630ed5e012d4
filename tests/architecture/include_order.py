#!/usr/bin/env python3
"""Fails on an include that a folder's README does not allow.

Every source folder has a README.md with a line "May use: ..." naming what
its files may include besides their own folder's headers: source folders
(model/base, ui/dialogs, ...), "the core" (every folder of model and
triangle), "every folder of ui", and the libraries "Qt" and
"libxlsxwriter"; the standard library and POSIX are always allowed. The
check fails on an include of a folder the line does not name, on an include
of a folder that has no sources, on a source folder without the line, and
on folders whose lines name each other in a circle, on file pairs (a
header and its source, by name) that include each other in a circle, and on
a folder missing from the layout in the top README.md or including one that
the layout lists after it. Each
README also lists its folder's files, every file pair by its name in
backquotes.

With --graph FOLDER, it instead prints the file pairs' include graph below
FOLDER (relative to SRC_FOLDER; "." for all of it): the pairs, the arrows
between them, the arrows back up (a folder including one that does not come
before it in the README's order, or an arrow in a circle) and the circles.

usage: include_order.py SRC_FOLDER [--graph FOLDER]
"""

import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
MAY_USE = re.compile(r"^May use:(.*?)(?:\n\s*\n|\Z)", re.M | re.S)
SOURCE = (".h", ".cpp")


def source_folders(src):
    """Every folder under `src` holding a header or a source file."""
    found = set()
    for directory, _, names in os.walk(src):
        if any(name.endswith(SOURCE) for name in names):
            found.add(os.path.relpath(directory, src))
    return found


def allowed_uses(line, folders):
    """The folders and libraries a "May use" line names."""
    text = " ".join(line.split())
    uses = set()
    if re.search(r"\bthe core\b", text):
        uses |= {f for f in folders if f.startswith("model/") or f == "triangle"}
    if re.search(r"\bevery folder of ui\b", text):
        uses |= {f for f in folders if f.startswith("ui/")}
    for word in re.findall(r"[\w/]+", text):
        if word in folders:
            uses.add(word)
    if re.search(r"\bQt\b", text):
        uses.add("<Qt>")
    if re.search(r"\blibxlsxwriter\b", text):
        uses.add("<xlsxwriter>")
    return uses


def read_rules(src, folders):
    """Each folder's allowed uses, and the problems of folders without them."""
    rules, problems = {}, []
    for folder in sorted(folders):
        readme = os.path.join(src, folder, "README.md")
        match = MAY_USE.search(open(readme).read()) if os.path.exists(readme) else None
        if match is None:
            problems.append(f"{folder}: its README.md has no \"May use:\" line")
            continue
        rules[folder] = allowed_uses(match.group(1), folders) - {folder}
        listed = set(re.findall(r"`([\w.]+)`", open(readme).read()))
        stems = {os.path.splitext(name)[0] for name in os.listdir(os.path.join(src, folder))
                 if name.endswith(SOURCE)}
        for stem in sorted(stems - listed):
            problems.append(f"{folder}: its README.md does not list `{stem}`")
    return rules, problems


def library_of(included):
    if included.startswith("Q") or included.startswith("qt"):
        return "<Qt>"
    if included.startswith("xlsxwriter"):
        return "<xlsxwriter>"
    return None  # the standard library or POSIX


def include_problems(src, folders, rules):
    for folder in sorted(rules):
        allowed = rules[folder]
        for name in sorted(os.listdir(os.path.join(src, folder))):
            if not name.endswith(SOURCE):
                continue
            path = os.path.join(folder, name)
            for kind, included in INCLUDE.findall(open(os.path.join(src, path)).read()):
                if kind == "<":
                    library = library_of(included)
                    if library and library not in allowed:
                        yield f"{path}: includes <{included}>, which its README does not allow"
                    continue
                target = os.path.dirname(included) or "."
                if target not in folders:
                    yield f"{path}: includes {included}, of no source folder"
                elif target != folder and target not in allowed:
                    yield f"{path}: includes {included}, which its README does not allow"


def circles(rules):
    """Folders whose allowed uses lead back to themselves."""
    found = []
    for start in sorted(rules):
        seen, stack = set(), [start]
        while stack:
            folder = stack.pop()
            for used in sorted(rules.get(folder, ())):
                if used == start:
                    found.append(f"{start}: its README's uses lead back to it (through {folder})")
                elif used not in seen:
                    seen.add(used)
                    stack.append(used)
    return found


def pair_graph(src):
    """Each file pair ("folder/stem") and the pairs its files include."""
    arrows = {}
    for directory, _, names in os.walk(src):
        folder = os.path.relpath(directory, src)
        for name in names:
            if not name.endswith(SOURCE):
                continue
            pair = os.path.normpath(os.path.join(folder, os.path.splitext(name)[0]))
            used = arrows.setdefault(pair, set())
            for kind, included in INCLUDE.findall(open(os.path.join(directory, name)).read()):
                target = os.path.splitext(included)[0]
                if kind == '"' and os.path.exists(os.path.join(src, included)) and target != pair:
                    used.add(target)
    return arrows


def pair_circles(arrows):
    """The groups of file pairs that reach each other (Tarjan's components)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(pair):
        index[pair] = low[pair] = len(index)
        stack.append(pair)
        on_stack.add(pair)
        for used in sorted(arrows.get(pair, ())):
            if used not in index:
                visit(used)
                low[pair] = min(low[pair], low[used])
            elif used in on_stack:
                low[pair] = min(low[pair], index[used])
        if low[pair] == index[pair]:
            group = []
            while not group or group[-1] != pair:
                group.append(stack.pop())
                on_stack.discard(group[-1])
            if len(group) > 1:
                found.append(sorted(group))

    for pair in sorted(arrows):
        if pair not in index:
            visit(pair)
    return found


def folder_order(src):
    """The folders in the order the top README's layout lists them, lowest first."""
    listed = re.findall(r"^src/([\w/]+?)/?\s", open(os.path.join(src, "..", "README.md")).read(), re.M)
    return [folder if folder else "." for folder in listed]


def folder_of(pair):
    return os.path.dirname(pair) or "."


def arrows_back_up(arrows, order, groups):
    """Arrows from a folder to one listed after it, and arrows within a circle."""
    rank = {folder: i for i, folder in enumerate(order)}
    in_circle = {pair: i for i, group in enumerate(groups) for pair in group}
    for pair in sorted(arrows):
        for used in sorted(arrows[pair]):
            later = rank.get(folder_of(used), len(order)) > rank.get(folder_of(pair), len(order))
            if later or (pair in in_circle and in_circle.get(used) == in_circle[pair]):
                yield pair, used


def print_graph(src, below):
    arrows = pair_graph(src)
    inside = {p for p in arrows if below == "." or p.startswith(below.rstrip("/") + "/")}
    arrows = {p: {u for u in arrows[p] if u in inside} for p in inside}
    groups = pair_circles(arrows)
    up = list(arrows_back_up(arrows, folder_order(src), groups))
    print(f"{below}: {len(inside)} file pairs, {sum(map(len, arrows.values()))} arrows")
    for pair, used in up:
        print(f"  arrow back up: {pair} -> {used}")
    for group in groups:
        print(f"  circle: {' <-> '.join(group)}")
    print(f"{below}: {len(up)} arrows back up, {len(groups)} circles")


def main():
    if len(sys.argv) not in (2, 4) or sys.argv[1].startswith("-"):
        print("usage: include_order.py SRC_FOLDER [--graph FOLDER]", file=sys.stderr)
        return 2
    src = sys.argv[1]
    if len(sys.argv) == 4 and sys.argv[2] == "--graph":
        print_graph(src, sys.argv[3])
        return 0
    folders = source_folders(src)
    rules, found = read_rules(src, folders)
    found += circles(rules)
    found += list(include_problems(src, folders, rules))
    arrows = pair_graph(src)
    found += [f"{' <-> '.join(group)}: these file pairs include each other in a circle"
              for group in pair_circles(arrows)]
    order = folder_order(src)
    found += [f"{folder}: not in the layout of the top README.md" for folder in sorted(folders)
              if folder not in order]
    found += [f"{pair}: includes {used}, of a folder the top README.md lists after its own"
              for pair, used in arrows_back_up(arrows, order, [])]
    for problem in found:
        print(problem)
    print(f"{len(found)} problems with the folders' rules")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
