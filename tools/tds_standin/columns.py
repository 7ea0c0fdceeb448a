"""SQL Server types of result columns: from the declared type of a column, else from the values."""

import re

from . import tds

TYPE_RE = re.compile(r"(\w+)\s*(?:\(\s*(max|-1|\d+)\s*(?:,\s*(\d+)\s*)?\))?", re.IGNORECASE)
_INT_SIZES = {"int": 4, "integer": 4, "bigint": 8, "smallint": 2, "tinyint": 1}


def column_for_decl(name, decl):
    m = TYPE_RE.match(decl or "")
    if not m:
        return None
    base, size, scale = m.group(1).lower(), m.group(2), m.group(3)
    if size in ("-1", "MAX", "Max"):
        size = "max"
    if base in _INT_SIZES:
        return tds.Column(name, tds.T_INTN, _INT_SIZES[base])
    if base == "bit":
        return tds.Column(name, tds.T_BITN, 1)
    if base in ("numeric", "decimal"):
        return tds.Column(name, tds.T_NUMERICN, precision=int(size or 18), scale=int(scale or 0))
    if base in ("float", "real", "money"):
        return tds.Column(name, tds.T_FLTN, 8)
    if base in ("varchar", "char", "text"):
        plain = size is not None and size.lower() != "max"
        return tds.Column(name, tds.T_BIGVARCHAR, int(size) if plain else None)
    if base in ("datetime", "smalldatetime"):
        return tds.Column(name, tds.T_DATETIMEN, 8)
    if base in ("nvarchar", "nchar", "ntext", "date", "datetime2", "time"):
        plain = base not in ("ntext",) and (size is None or size.lower() != "max")
        return tds.Column(name, tds.T_NVARCHAR, int(size or 30) * 2 if plain else None)
    if base in ("varbinary", "binary", "image"):
        plain = size is not None and size.lower() != "max"
        return tds.Column(name, tds.T_BIGVARBIN, int(size) if plain else None)
    return None


def column_for_values(name, values):
    present = [v for v in values if v is not None]
    if present and all(isinstance(v, int) for v in present):
        wide = any(not -2 ** 31 <= v < 2 ** 31 for v in present)
        return tds.Column(name, tds.T_INTN, 8 if wide else 4)
    if present and all(isinstance(v, (int, float)) for v in present):
        return tds.Column(name, tds.T_FLTN, 8)
    if present and all(isinstance(v, bytes) for v in present):
        longest = max(len(v) for v in present)
        return tds.Column(name, tds.T_BIGVARBIN, longest if longest <= 8000 else None)
    if not present:
        return tds.Column(name, tds.T_INTN, 4)
    longest = max(len(str(v)) for v in present) * 2
    return tds.Column(name, tds.T_NVARCHAR, 8000 if longest <= 8000 else None)


def fits(column, values):
    try:
        for v in values:
            column.encode(v)
        return True
    except Exception:  # any value the declared type cannot carry
        return False
