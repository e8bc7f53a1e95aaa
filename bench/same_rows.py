#!/usr/bin/env python3
"""Compares two project files table by table, row by row in rowid order.

Used to check that a change for speed stores exactly the rows it stored
before: prints the first difference of each table and exits 1, or prints the
row counts and exits 0.
"""
import sqlite3
import sys


def rows(path, table):
    db = sqlite3.connect(path)
    db.text_factory = bytes
    try:
        return db.execute("SELECT * FROM %s ORDER BY rowid" % table).fetchall()
    finally:
        db.close()


def main():
    if len(sys.argv) != 3:
        print("usage: same_rows.py A.db B.db", file=sys.stderr)
        return 2
    a, b = sys.argv[1:]
    same = True
    for table in ("PAGES", "TAGS", "LINKS"):
        ra, rb = rows(a, table), rows(b, table)
        if ra == rb:
            print("%-6s %8d rows, same" % (table, len(ra)))
            continue
        same = False
        first = next((i for i, (x, y) in enumerate(zip(ra, rb)) if x != y), min(len(ra), len(rb)))
        print("%-6s differs: %d vs %d rows, first difference at row %d" % (table, len(ra), len(rb), first + 1))
        for label, r in (("A", ra), ("B", rb)):
            if first < len(r):
                print("  %s: %r" % (label, r[first]))
    return 0 if same else 1


if __name__ == "__main__":
    sys.exit(main())
