#!/usr/bin/python3
"""Writes the small workbook the spreadsheet page's tests map: a Persian sheet of people and a
second sheet of two columns.

Usage: make_map_book.py OUT.xls
Sheet "پرسنل": a header row, then four people (number, first and last name, a 13-digit account
stored as a number, an amount); cell F2 holds a text far wider than any column may grow.
Sheet "Sheet2": A1:B3 with the texts "a1" .. "b3".
Sheet "Dates": A1 2024-03-15 as a date, A2 the same day at 08:30:15, A3 the time 18:45:00.
"""
import datetime
import sys

import xlwt


def main():
    wb = xlwt.Workbook(encoding="utf-8")
    people = wb.add_sheet("پرسنل")
    header = ["شماره", "نام", "نام خانوادگی", "حساب", "مبلغ"]
    rows = [
        (101, "علی", "رضایی", 6037991234567, 1500000),
        (102, "زهرا", "کریمی", 6037990000001, 250000.5),
        (103, "مریم", "احمدی", 6219861000000, 300),
        (104, "حسین", "یزدانی", 5892101234567890, 0),
    ]
    for c, text in enumerate(header):
        people.write(0, c, text)
    for r, row in enumerate(rows, start=1):
        for c, value in enumerate(row):
            people.write(r, c, value)
    people.write(1, 5, "x" * 200)
    other = wb.add_sheet("Sheet2")
    for c, letter in enumerate("ab"):
        for r in range(3):
            other.write(r, c, "%s%d" % (letter, r + 1))
    dates = wb.add_sheet("Dates")
    dates.write(0, 0, datetime.date(2024, 3, 15), xlwt.easyxf(num_format_str="yyyy-mm-dd"))
    dates.write(1, 0, datetime.datetime(2024, 3, 15, 8, 30, 15),
                xlwt.easyxf(num_format_str="yyyy-mm-dd hh:mm:ss"))
    dates.write(2, 0, datetime.time(18, 45), xlwt.easyxf(num_format_str="hh:mm"))
    wb.save(sys.argv[1])


if __name__ == "__main__":
    main()
