#!/usr/bin/python3
"""Opens an XLSX workbook with openpyxl in read-only mode (Debian's python3-openpyxl) and reads
every cell of every sheet. Prints the seconds this took inside the process (interpreter start
excluded) and the cell count.
Usage: openpyxl_read.py BOOK.xlsx"""
import sys
import time

import openpyxl

t0 = time.perf_counter()
book = openpyxl.load_workbook(sys.argv[1], read_only=True)
cells = 0
for sheet in book.worksheets:
    for row in sheet.iter_rows(values_only=True):
        cells += len(row)
print(time.perf_counter() - t0, cells)
