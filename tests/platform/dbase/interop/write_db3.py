#!/usr/bin/python3
"""Writes a dBASE III table with memos in Windows-1252 through python-dbf:
write_db3.py <table.dbf>. Records 2 and 5 are deleted."""
import datetime
import sys

import dbf

path = sys.argv[1]
t = dbf.Table(path, 'name C(20); qty N(8,2); born D; ok L; notes M', dbf_type='db3', codepage='cp1252')
t.open(dbf.READ_WRITE)
rows = [
    ('Müller €uro', 12.5, datetime.date(2020, 2, 29), True, 'Erste Zeile\r\nzweite Zeile mit ß'),
    ('deleted one', 1, datetime.date(2021, 1, 1), False, 'gone'),
    ('', None, None, None, ''),
    ('Ærø Œuvre', -3.25, datetime.date(1999, 12, 31), False, 'x' * 2000 + 'é'),
    ('deleted two', 2, datetime.date(2022, 2, 2), True, 'also gone'),
    ('Tab\there', 0, datetime.date(1900, 1, 1), True, 'a' * 511),
]
for row in rows:
    t.append(row)
for i in (1, 4):
    dbf.delete(t[i])
t.close()
