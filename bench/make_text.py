#!/usr/bin/env python3
"""A large text file of register lines in CP1256 or UTF-8 (same characters in both: Arabic yeh
and kaf, which CP1256 holds). Usage: make_text.py <cp1256|utf-8> <MiB> <out>"""
import sys

enc, mib, out = sys.argv[1], int(sys.argv[2]), sys.argv[3]
first = ["علي", "محمد", "زهرا", "فاطمه", "حسين", "مريم", "رضا", "نرگس", "مهدي", "سارا", "يوسف", "كيميا"]
last = ["رضايي", "محمدي", "حسيني", "كريمي", "موسوي", "احمدي", "جعفري", "صادقي", "نوري", "يزداني", "كاظمي"]
lines, i, size = [], 0, 0
while size < (1 << 20):
    line = (f"{100000 + i},{first[i % len(first)]},{last[(i // len(first)) % len(last)]},"
            f"{3100000000 + i * 37},{1000 + (i * 7919) % 99000000},{i % 2}\r\n").encode(enc)
    lines.append(line)
    size += len(line)
    i += 1
block = b"".join(lines)
with open(out, "wb") as f:
    for _ in range(mib):
        f.write(block)
