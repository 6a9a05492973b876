#!/usr/bin/python3
"""Dumps a dBASE table as JSON through a peer library, so the engine's tests
can compare values: peer_dump.py dbfread|dbf <table.dbf> <encoding>.

Values are normalised: text and memo as str, numbers as numbers (null when
empty), dates as "YYYYMMDD" ("" when empty), logicals "T"/"F"/"", binary
memos as hex. Deleted records are left out."""
import json
import sys


def norm(ftype, v):
    if ftype in ('N', 'F'):
        return None if v is None else float(v)
    if ftype == 'D':
        return '' if v is None else v.strftime('%Y%m%d')
    if ftype == 'L':
        return '' if v is None else ('T' if v else 'F')
    if ftype == 'B':
        return '' if not v else bytes(v).hex()
    if v is None:
        return ''
    if isinstance(v, bytes):
        return v.hex()
    return str(v).rstrip(' ')


def with_dbfread(path, enc):
    import dbfread
    t = dbfread.DBF(path, encoding=enc, load=False, char_decode_errors='strict')
    types = [f.type for f in t.fields]
    recs = [[norm(ty, v) for ty, v in zip(types, r.values())] for r in t]
    return {'fields': t.field_names, 'records': recs}


def with_dbf(path, enc):
    import dbf
    t = dbf.Table(path, codepage=enc if enc != 'cp1252' else 'cp1252')
    t.open(dbf.READ_ONLY)
    names = list(t.field_names)
    types = [chr(t.field_info(n).field_type) if isinstance(t.field_info(n).field_type, int)
             else str(t.field_info(n).field_type) for n in names]
    recs = []
    for r in t:
        if dbf.is_deleted(r):
            continue
        recs.append([norm(ty, r[n]) for ty, n in zip(types, names)])
    t.close()
    return {'fields': [n.upper() for n in names], 'records': recs}


if __name__ == '__main__':
    reader, path, enc = sys.argv[1:4]
    out = with_dbfread(path, enc) if reader == 'dbfread' else with_dbf(path, enc)
    sys.stdout.write(json.dumps(out, ensure_ascii=False))
