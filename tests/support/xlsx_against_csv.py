#!/usr/bin/env python3
"""xlsx_against_csv.py XLSX CSV: reads the workbook with openpyxl and checks
that field j of CSV line k is cell (k + 1, j % 16384 + 1) of sheet j // 16384,
a number where the field has digits and no cell at all where it is empty."""

import sys

import openpyxl


def difference(xlsx, csv, sheet_columns=16384):
    sheets = openpyxl.load_workbook(xlsx).worksheets
    counts = [0] * len(sheets)
    for k, line in enumerate(open(csv, "rb")):
        for j, field in enumerate(line.rstrip(b"\r\n").split(b";")[:-1]):
            if field:
                sheet = sheets[j // sheet_columns]
                counts[j // sheet_columns] += 1
                value = sheet.cell(k + 1, j % sheet_columns + 1).value
                if not isinstance(value, (int, float)) or value != int(field):
                    return f"line {k + 1} field {j + 1}: {value!r}, not {field.decode()}"
    for index, sheet in enumerate(sheets):
        # Only cells the file holds are kept; a look-up above adds empty ones.
        held = sum(1 for cell in sheet._cells.values() if cell.value is not None)
        if (held != counts[index] or not sheet.conditional_formatting
                or not sheet.title.startswith(f"columns {index * sheet_columns + 1}\u2013")):
            return f"sheet {sheet.title!r}: {held} cells of {counts[index]}, or no colour scale"
    return None


if __name__ == "__main__":
    problem = difference(*sys.argv[1:3])
    sys.exit(problem)
