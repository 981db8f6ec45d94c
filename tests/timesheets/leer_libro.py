#!/usr/bin/python3
# Reads a workbook back with openpyxl, a reader that shares nothing with the writer, and prints
# what a user would find in it as JSON:
#   {"sheets": [names], "widths": [width of each used column],
#    "rows": [[{"cell": "kind:value", "format": number format, "bold": bool}, ...], ...]}
# A cell is "empty", "text:<text>", "number:<value>", or, for a number shown as a date or a
# time of day, "date:<yyyy-mm-dd>" / "time:<hh:mm:ss>" / "datetime:<both>" computed from the
# serial it holds.
# Run with Debian's /usr/bin/python3, which has openpyxl.
import datetime
import json
import sys

import openpyxl
from openpyxl.utils import get_column_letter
from openpyxl.utils.datetime import to_excel

EPOCH = datetime.datetime(1899, 12, 30)


def serial(value):
    if isinstance(value, (int, float)):
        return float(value)
    return float(to_excel(value))


def cell_text(cell):
    value = cell.value
    if value is None:
        return "empty"
    if cell.data_type == "s":
        return "text:" + value
    fmt = cell.number_format.lower()
    if cell.is_date or isinstance(value, (datetime.date, datetime.time)):
        days = serial(value)
        when = EPOCH + datetime.timedelta(days=days)
        if ("d" in fmt or "y" in fmt) and "h" in fmt:
            return "datetime:" + when.strftime("%Y-%m-%d %H:%M:%S")
        if "d" in fmt or "y" in fmt:
            return "date:" + when.strftime("%Y-%m-%d")
        seconds = round(days * 86400)
        return "time:%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)
    if isinstance(value, float) and value.is_integer():
        value = int(value)
    return "number:" + repr(value)


def main(path):
    book = openpyxl.load_workbook(path)
    sheet = book.worksheets[0]
    rows = []
    for row in sheet.iter_rows(min_row=1, max_row=sheet.max_row, max_col=sheet.max_column):
        rows.append([{"cell": cell_text(c), "format": c.number_format,
                      "bold": bool(c.font and c.font.b)} for c in row])
    widths = [sheet.column_dimensions[get_column_letter(c)].width
              for c in range(1, sheet.max_column + 1)]
    json.dump({"sheets": book.sheetnames, "widths": widths, "rows": rows}, sys.stdout,
              ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
