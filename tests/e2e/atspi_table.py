#!/usr/bin/python3
"""Walks the triangle view's table as a screen reader does, through AT-SPI's
Table interface: prints its row and column counts, then the name of each
cell asked for, one per line. Run with Debian's own interpreter, which has
python3-pyatspi, on the program's session bus.

usage: atspi_table.py ROW,COLUMN ...
"""

import sys

import pyatspi

from atspi_focused import quorva_application


def find_table(node, depth=0):
    if node is None or depth > 30:
        return None
    try:
        if node.getRole() == pyatspi.ROLE_TABLE:
            return node
        children = [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return None
    for child in children:
        found = find_table(child, depth + 1)
        if found is not None:
            return found
    return None


def main():
    table = find_table(quorva_application())
    if table is None:
        return 1
    cells = table.queryTable()
    print(cells.nRows)
    print(cells.nColumns)
    for place in sys.argv[1:]:
        row, column = (int(part) for part in place.split(","))
        cell = cells.getAccessibleAt(row, column)
        print(cell.name if cell is not None else "")
    return 0


if __name__ == "__main__":
    sys.exit(main())
