#!/usr/bin/python3
"""Writes the register as an XLS workbook with xlwt (Debian's python3-xlwt).
Usage: make_xls.py OUT.xls ROWS
Columns: personnel number, first name, last name (Persian, every one different), account
(10 to 15 digits, as a number), amount (as a number), checked flag (boolean)."""
import sys

import xlwt

FIRST = ["علی", "محمد", "زهرا", "فاطمه", "حسین", "مریم", "رضا", "نرگس", "مهدی", "سارا",
         "یوسف", "کیمیا", "امیرحسین"]
LAST = ["رضایی", "محمدی", "حسینی", "کریمی", "موسوی", "احمدی", "جعفری", "صادقی", "نوری",
        "یزدانی", "کاظمی", "شیرازی"]

out, rows = sys.argv[1], int(sys.argv[2])
wb = xlwt.Workbook(encoding="utf-8")
ws = wb.add_sheet("پرسنل")
for i in range(rows):
    ws.write(i, 0, 100000 + i)
    ws.write(i, 1, FIRST[i % len(FIRST)])
    ws.write(i, 2, "%s %d" % (LAST[(i // len(FIRST)) % len(LAST)], i))
    ws.write(i, 3, 10 ** (9 + i % 6) + i * 37)
    ws.write(i, 4, 1000 + (i * 7919) % 99000000)
    ws.write(i, 5, i % 3 == 0)
wb.save(out)
