#!/usr/bin/python3
"""Writes the register as an ODS spreadsheet with odfpy (Debian's python3-odf).
Usage: make_ods.py OUT.ods ROWS
Columns as make_xls.py: personnel number, first name, last name (Persian), account (10 to 15
digits, as a number), amount (as a number), checked flag (text)."""
import sys

from odf.opendocument import OpenDocumentSpreadsheet
from odf.table import Table, TableCell, TableRow
from odf.text import P

FIRST = ["علی", "محمد", "زهرا", "فاطمه", "حسین", "مریم", "رضا", "نرگس", "مهدی", "سارا",
         "یوسف", "کیمیا", "امیرحسین"]
LAST = ["رضایی", "محمدی", "حسینی", "کریمی", "موسوی", "احمدی", "جعفری", "صادقی", "نوری",
        "یزدانی", "کاظمی", "شیرازی"]


def number(v):
    c = TableCell(valuetype="float", value=v)
    c.addElement(P(text=str(v)))
    return c


def text(v):
    c = TableCell()
    c.addElement(P(text=v))
    return c


out, rows = sys.argv[1], int(sys.argv[2])
doc = OpenDocumentSpreadsheet()
sheet = Table(name="پرسنل")
for i in range(rows):
    tr = TableRow()
    for cell in (number(100000 + i), text(FIRST[i % len(FIRST)]),
                 text("%s %d" % (LAST[(i // len(FIRST)) % len(LAST)], i)),
                 number(10 ** (9 + i % 6) + i * 37), number(1000 + (i * 7919) % 99000000),
                 text("True" if i % 3 == 0 else "False")):
        tr.addElement(cell)
    sheet.addElement(tr)
doc.spreadsheet.addElement(sheet)
doc.save(out)
