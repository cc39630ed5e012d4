#!/usr/bin/python3
"""What a screen reader learns about the Quorva window through AT-SPI.

Run by desktop_e2e.py with Debian's python3 (where python3-pyatspi lives),
on the accessibility bus of the window's private D-Bus session. Prints what
went wrong and exits non-zero on a failure.

usage: atspi_check.py
"""

import sys
import time

import pyatspi

WAIT_SECONDS = 30


def fail(message):
    print(f"AT-SPI: {message}")
    sys.exit(1)


def wait_for(what, probe):
    deadline = time.monotonic() + WAIT_SECONDS
    while True:
        result = probe()
        if result:
            return result
        if time.monotonic() > deadline:
            fail(f"timed out waiting for {what}")
        time.sleep(0.1)


def children(accessible):
    return [accessible.getChildAtIndex(i) for i in range(accessible.childCount)]


def walk(accessible, depth=0, limit=4):
    """Every object below `accessible`, not descending into lists' items
    further than `limit` levels."""
    yield accessible, depth
    if depth < limit:
        for child in children(accessible):
            if child is not None:
                yield from walk(child, depth + 1, limit)


def quorva_frame():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in children(desktop):
        if app is None:
            continue
        for window in children(app):
            if window is not None and window.name == "Quorva":
                return window
    return None


def find(frame, role, name):
    for accessible, _ in walk(frame):
        if accessible.getRoleName() == role and accessible.name == name:
            return accessible
    fail(f"no {role} named {name!r}; the tree is:\n" + describe(frame))


def describe(frame):
    return "\n".join(f"{'  ' * depth}{accessible.getRoleName()} {accessible.name!r}"
                     for accessible, depth in walk(frame))


def focused_objects(frame):
    return [accessible for accessible, _ in walk(frame)
            if accessible.getState().contains(pyatspi.STATE_FOCUSED)]


def expect(condition, message):
    if not condition:
        fail(message)


def main():
    frame = wait_for("the window 'Quorva' on the accessibility bus", quorva_frame)
    expect(frame.getRoleName() == "frame",
           f"the window's role is {frame.getRoleName()!r}, not 'frame'")

    expected = [("spin button", f"Column {i} value") for i in range(1, 8)]
    expected += [("push button", caption) for caption in
                 ("Add", "Delete", "Moove Up", "Moove Down", "Open", "Save", "Start")]
    expected += [("list", "Rows")]
    expected += [("radio button", f"Column {i}") for i in range(1, 8)]
    for role, name in expected:
        find(frame, role, name)

    first_field = find(frame, "spin button", "Column 1 value")
    focused = wait_for("one focused object", lambda: focused_objects(frame))
    expect([f.name for f in focused] == ["Column 1 value"],
           f"focused: {[(f.getRoleName(), f.name) for f in focused]}, "
           "expected only the first spin field")

    third_field = find(frame, "spin button", "Column 3 value")
    third_field.queryValue().currentValue = 42
    wait_for("the third field to hold 42", lambda: third_field.queryValue().currentValue == 42)

    add = find(frame, "push button", "Add")
    actions = add.queryAction()
    names = [actions.getName(i) for i in range(actions.nActions)]
    expect("Press" in names, f"Add offers the actions {names}, not Press")
    actions.doAction(names.index("Press"))

    rows = find(frame, "list", "Rows")
    line = wait_for("a line in the list",
                    lambda: [item for item in children(rows) if item is not None and item.name])
    expect(line[0].name == "01 02 42 04 05 06 07",
           f"the new line reads {line[0].name!r}")

    focused = focused_objects(frame)
    expect([f.name for f in focused] == [first_field.name],
           f"after Add, focused: {[(f.getRoleName(), f.name) for f in focused]}")
    print("AT-SPI: tree, names, action, value and focus as expected")


if __name__ == "__main__":
    main()
