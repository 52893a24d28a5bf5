#!/usr/bin/env python3
"""The register CSV into a plain SQLite file with the program's tbl_customer table, through the
csv module and executemany. Prints the rows stored and the seconds from opening the CSV to the
last commit.
Usage: csv_sqlite.py <csv> <schema.sql> <db> [batch]   (batch 0: one commit at the end)"""
import csv
import sqlite3
import sys
import time

src, schema, target = sys.argv[1:4]
batch_size = int(sys.argv[4]) if len(sys.argv) > 4 else 1000
con = sqlite3.connect(target)
con.executescript(open(schema, encoding="utf-8").read())
sql = ("INSERT INTO tbl_customer (Pers_number, First_Name, Last_Name, Hesab, Price, Chk) "
       "VALUES (?, ?, ?, ?, ?, ?)")
rows = 0
start = time.perf_counter()
with open(src, encoding="utf-8", newline="") as f:
    if batch_size <= 0:
        records = [(r[0], r[1], r[2], r[3], r[4], r[5] == "1") for r in csv.reader(f)]
        con.executemany(sql, records)
        con.commit()
        rows = len(records)
    else:
        batch = []
        for rec in csv.reader(f):
            batch.append((rec[0], rec[1], rec[2], rec[3], rec[4], rec[5] == "1"))
            if len(batch) == batch_size:
                con.executemany(sql, batch)
                con.commit()
                rows += len(batch)
                batch = []
        if batch:
            con.executemany(sql, batch)
            con.commit()
            rows += len(batch)
elapsed = time.perf_counter() - start
con.close()
print(rows, elapsed)
