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


def main():
    application = quorva_application()
    table = application and pyatspi.findDescendant(
        application, lambda node: node.getRole() == pyatspi.ROLE_TABLE)
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
