#!/usr/bin/python3
"""Prints the names of the focused objects of the running Quorva program, as
a screen reader finds them through AT-SPI, one per line. Run with Debian's
own interpreter, which has python3-pyatspi, on the program's session bus.

usage: atspi_focused.py
"""

import sys

import pyatspi


def quorva_application():
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        application = desktop.getChildAtIndex(i)
        if application is not None and application.name.lower().startswith("quorva"):
            return application
    return None


def focused_names(node, depth=0):
    if node is None or depth > 30:
        return []
    try:
        names = [node.name] if node.getState().contains(pyatspi.STATE_FOCUSED) else []
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []
    for child in children:
        names += focused_names(child, depth + 1)
    return names


def main():
    application = quorva_application()
    if application is None:
        return 1
    for name in focused_names(application):
        print(name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
