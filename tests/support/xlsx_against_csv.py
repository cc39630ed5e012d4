#!/usr/bin/env python3
"""Reads an .xlsx with openpyxl and compares it with the CSV export of the
same rows, cell for cell: field j of CSV line k is cell (k + 1, j + 1) of
the sheet holding column j, a number where the field has digits and no cell
at all where it is empty. Prints the first difference and exits 1."""

import sys

import openpyxl

SHEET_COLUMNS = 16384


def main(xlsx, csv):
    book = openpyxl.load_workbook(xlsx)
    sheets = book.worksheets
    expected_cells = [0] * len(sheets)
    with open(csv, "rb") as text:
        for k, line in enumerate(text):
            fields = line.rstrip(b"\r\n").split(b";")[:-1]
            for j, field in enumerate(fields):
                if not field:
                    continue
                sheet = j // SHEET_COLUMNS
                if sheet >= len(sheets):
                    return f"line {k + 1} field {j + 1}: no sheet {sheet + 1}"
                expected_cells[sheet] += 1
                value = sheets[sheet].cell(k + 1, j % SHEET_COLUMNS + 1).value
                if not isinstance(value, (int, float)) or value != int(field):
                    return f"line {k + 1} field {j + 1}: {value!r}, not {field.decode()}"
    for index, sheet in enumerate(sheets):
        first = index * SHEET_COLUMNS + 1
        if not sheet.title.startswith(f"columns {first}\u2013"):
            return f"sheet {index + 1} is named {sheet.title!r}"
        # Only the cells the file holds are stored; looking one up above
        # adds an empty one, so those with a value are counted.
        held = sum(1 for cell in sheet._cells.values() if cell.value is not None)
        if held != expected_cells[index]:
            return f"sheet {sheet.title!r} holds {held} cells, the CSV {expected_cells[index]}"
        if not sheet.conditional_formatting:
            return f"sheet {sheet.title!r} has no colour scale"
    return None


if __name__ == "__main__":
    problem = main(sys.argv[1], sys.argv[2])
    if problem:
        print(problem)
        sys.exit(1)
