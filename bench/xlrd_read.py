#!/usr/bin/python3
"""Opens an XLS workbook with xlrd (Debian's python3-xlrd) and reads every cell of every sheet.
Prints the seconds this took inside the process (interpreter start excluded) and the cell count.
Usage: xlrd_read.py BOOK.xls"""
import sys
import time

import xlrd

t0 = time.perf_counter()
book = xlrd.open_workbook(sys.argv[1])
cells = 0
for sheet in book.sheets():
    for r in range(sheet.nrows):
        for value in sheet.row_values(r):
            cells += 1
print(time.perf_counter() - t0, cells)
