#!/usr/bin/env python3
"""Reads every row of tbl_customer of a plain SQLite file with fetchall(), as a reference for
opening the register. Prints the rows, the seconds and the peak memory above the size before.
Usage: fetchall.py <db>"""
import sqlite3
import sys
import time


def rss_mib():
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1]) / 1024
    return 0.0


con = sqlite3.connect(sys.argv[1])
before = rss_mib()
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")
start = time.perf_counter()
rows = con.execute("SELECT * FROM tbl_customer").fetchall()
elapsed = time.perf_counter() - start
with open("/proc/self/status") as f:
    peak = next(int(l.split()[1]) / 1024 for l in f if l.startswith("VmHWM:"))
print(len(rows), elapsed, peak - before)
