#!/usr/bin/python3
"""Writes an XLS workbook with xlwt and prints, as JSON, what every cell must read as.

Usage: make_workbook.py OUT.xls [ROWS]
The JSON is {"sheets": [{"name": ..., "hidden": ..., "cells": [[row texts]...]}]}; a cell's
text follows the import's default formats: "." decimal point, dates yyyy/mm/dd, times hh:nn:ss.
"""
import datetime
import json
import sys

import xlwt

FIRST = ["علی", "محمد", "زهرا", "فاطمه", "حسین", "مریم", "رضا", "کیوان", "یگانه", "ژاله"]
LAST = ["احمدی", "محمدی", "کریمی", "رضایی", "حسینی", "یزدانی", "پاک‌نژاد", "گودرزی"]


def number_text(v):
    text = "%.15g" % v
    assert "e" not in text
    return text


def main():
    out = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 300
    wb = xlwt.Workbook(encoding="utf-8")
    date_styles = [
        (xlwt.easyxf(num_format_str="yyyy/mm/dd"), "%Y/%m/%d"),
        (xlwt.easyxf(num_format_str="dd-mm-yyyy"), "%Y/%m/%d"),
        (xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm"), "%Y/%m/%d %H:%M:%S"),
        (xlwt.easyxf(num_format_str="[$-429]d mmmm yyyy"), "%Y/%m/%d"),
    ]
    money = xlwt.easyxf(num_format_str='#,##0 "ریال"')
    time_style = xlwt.easyxf(num_format_str="hh:mm:ss")

    people = wb.add_sheet("پرسنل")
    header = ["نام", "نام خانوادگی", "حساب", "مبلغ", "تاریخ", "وضعیت", "ساعت"]
    cells = [header]
    for c, h in enumerate(header):
        people.write(0, c, h)
    errors = [(7, "#DIV/0!"), (42, "#N/A"), (15, "#VALUE!"), (23, "#REF!")]
    for i in range(1, rows + 1):
        first = FIRST[i % len(FIRST)] + (" " + str(i) if i % 3 == 0 else "")
        last = LAST[i % len(LAST)]
        account = 10 ** (9 + i % 6) + i * 7919  # 10 to 15 digits
        amount = 1500000 + i * 12345 + (0.5 if i % 4 == 0 else 0)
        day = datetime.datetime(2020, 1, 1) + datetime.timedelta(days=i * 37, hours=(i % 5) * 3)
        style, fmt = date_styles[i % len(date_styles)]
        if "%H" not in fmt:
            day = day.replace(hour=0)
        if day.hour == 0:  # a whole day reads as a date alone, whatever the format shows
            fmt = "%Y/%m/%d"
        when = datetime.time(i % 24, (i * 7) % 60, (i * 13) % 60)
        people.write(i, 0, first)
        people.write(i, 1, last)
        people.write(i, 2, account)
        people.write(i, 3, amount, money)
        people.write(i, 4, day, style)
        if i % 5 == 0:
            code, status = errors[(i // 5) % len(errors)]
            people.row(i).set_cell_error(5, code)
        else:
            people.write(i, 5, i % 2 == 0)
            status = "True" if i % 2 == 0 else "False"
        people.write(i, 6, when, time_style)
        cells.append([first, last, number_text(account), number_text(amount),
                      day.strftime(fmt), status, when.strftime("%H:%M:%S")])

    second = wb.add_sheet("Second")
    second_cells = []
    for r in range(4):
        second.write(r, 0, "s%d" % r)
        second.write(r, 1, r * 0.25)
        second_cells.append(["s%d" % r, number_text(r * 0.25)])
    # Longer than one record: the shared strings go on in CONTINUE records.
    long_text = "بانک " * 1200 + "x" * 3000
    second.write(4, 0, long_text)
    second_cells.append([long_text, ""])

    hidden = wb.add_sheet("Hidden")
    hidden.visibility = 1
    hidden.write(0, 0, "پنهان")
    hidden.write(1, 0, 6037991234567)

    wb.save(out)
    json.dump({"sheets": [
        {"name": "پرسنل", "hidden": False, "cells": cells},
        {"name": "Second", "hidden": False, "cells": second_cells},
        {"name": "Hidden", "hidden": True, "cells": [["پنهان"], ["6037991234567"]]},
    ]}, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main()
