#!/usr/bin/env python3
"""The register CSV into a plain SQLite file with the program's tbl_customer table, through the
csv module and executemany, committing every 1,000 rows as the import engine does.
Usage: csv_sqlite.py <csv> <schema.sql> <db>"""
import csv
import sqlite3
import sys

BATCH = 1000
src, schema, target = sys.argv[1:4]
con = sqlite3.connect(target)
con.executescript(open(schema, encoding="utf-8").read())
sql = ("INSERT INTO tbl_customer (Pers_number, First_Name, Last_Name, Hesab, Price, Chk) "
       "VALUES (?, ?, ?, ?, ?, ?)")
rows = 0
with open(src, encoding="utf-8", newline="") as f:
    batch = []
    for rec in csv.reader(f):
        batch.append((rec[0], rec[1], rec[2], rec[3], rec[4], rec[5] == "1"))
        if len(batch) == BATCH:
            con.executemany(sql, batch)
            con.commit()
            rows += len(batch)
            batch = []
    if batch:
        con.executemany(sql, batch)
        con.commit()
        rows += len(batch)
con.close()
print(rows)
