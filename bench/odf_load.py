#!/usr/bin/python3
"""Loads an ODS file with odfpy (Debian's python3-odf) and reads the text of every cell.
Prints the seconds this took inside the process (interpreter start excluded) and the cell count.
Usage: odf_load.py BOOK.ods"""
import sys
import time

from odf import teletype
from odf.opendocument import load
from odf.table import TableCell

t0 = time.perf_counter()
doc = load(sys.argv[1])
cells = 0
for cell in doc.spreadsheet.getElementsByType(TableCell):
    teletype.extractText(cell)
    cells += 1
print(time.perf_counter() - t0, cells)
