"""Decoding of SQL batch and RPC request payloads (headers from TDS 7.2 on)."""

import datetime
import struct
import uuid
from decimal import Decimal

from . import tds
from .tds import Reader, ProtocolError

PROC_NAMES = {1: "sp_cursor", 2: "sp_cursoropen", 3: "sp_cursorprepare", 4: "sp_cursorexecute",
              5: "sp_cursorprepexec", 6: "sp_cursorunprepare", 7: "sp_cursorfetch", 8: "sp_cursoroption",
              9: "sp_cursorclose", 10: "sp_executesql", 11: "sp_prepare", 12: "sp_execute", 13: "sp_prepexec",
              14: "sp_prepexecrpc", 15: "sp_unprepare"}


class Param:
    def __init__(self, name, output, type_name, value):
        self.name, self.output, self.type_name, self.value = name, output, type_name, value

    def __repr__(self):
        shown = self.value if not isinstance(self.value, str) or len(self.value) < 60 else self.value[:57] + "..."
        return "%s%s %s=%r" % (self.name or "?", " OUTPUT" if self.output else "", self.type_name, shown)


def skip_all_headers(r):
    total = r.unpack("<I")
    if total < 4:
        raise ProtocolError("bad ALL_HEADERS length")
    r.take(total - 4)


def parse_batch(data, version=tds.TDS74):
    r = Reader(data)
    if version >= tds.TDS72:
        skip_all_headers(r)
    return r.take(len(data) - r.pos).decode("utf-16-le")


def parse_transaction(data):
    """Return (request type, start a new transaction afterwards) of a transaction manager request."""
    r = Reader(data)
    skip_all_headers(r)
    kind = r.unpack("<H")
    if kind == tds.TM_BEGIN_XACT:
        r.u8()  # isolation level
        r.b_varchar()  # transaction name
        return kind, False
    if kind in (tds.TM_COMMIT_XACT, tds.TM_ROLLBACK_XACT):
        r.b_varchar()
        return kind, not r.at_end() and bool(r.u8() & 0x01)
    raise ProtocolError("unsupported transaction manager request %d" % kind)


def parse_rpc(data, version=tds.TDS74):
    """Return (procedure name, [Param]) for the first call of the request."""
    r = Reader(data)
    if version >= tds.TDS72:
        skip_all_headers(r)
    length = r.unpack("<H")
    if length == 0xFFFF:
        proc_id = r.unpack("<H")
        proc = PROC_NAMES.get(proc_id, "proc#%d" % proc_id)
    else:
        proc = r.take(length * 2).decode("utf-16-le")
    r.unpack("<H")  # option flags
    params = []
    while not r.at_end():
        if r.data[r.pos] in (0x80, 0xFF, 0xFE):  # batch separator: further calls are not supported
            break
        name = r.b_varchar()
        status = r.u8()
        type_name, value = read_typed_value(r)
        params.append(Param(name, bool(status & 0x01), type_name, value))
    return proc, params


def _read_plp(r):
    total = r.unpack("<Q")
    if total == tds.PLP_NULL:
        return None
    chunks = []
    while True:
        size = r.unpack("<I")
        if size == 0:
            break
        chunks.append(r.take(size))
    return b"".join(chunks)


def _int(raw, signed=True):
    return int.from_bytes(raw, "little", signed=signed)


def read_typed_value(r):
    """Read TYPE_INFO and the value that follows; return (type description, Python value)."""
    kind = r.u8()
    if kind in tds.FIXED_SIZES:
        raw = r.take(tds.FIXED_SIZES[kind])
        return _fixed(kind, raw)
    if kind in tds.BYTELEN_TYPES:
        r.u8()  # declared size
        raw = r.take(r.u8())
        if not raw:
            return "null", None
        if kind == tds.T_INTN:
            return "int%d" % (len(raw) * 8), _int(raw, signed=len(raw) > 1)
        if kind == tds.T_BITN:
            return "bit", raw[0] != 0
        if kind == tds.T_FLTN:
            return "float", struct.unpack("<f" if len(raw) == 4 else "<d", raw)[0]
        if kind == tds.T_GUID:
            return "uniqueidentifier", str(uuid.UUID(bytes_le=raw)).upper()
        if kind == tds.T_MONEYN:
            return "money", _money(raw)
        return "datetime", _datetime(raw)
    if kind in (tds.T_DECIMALN, tds.T_NUMERICN):
        r.u8()
        r.u8()
        scale = r.u8()
        raw = r.take(r.u8())
        if not raw:
            return "numeric", None
        magnitude = Decimal(_int(raw[1:], signed=False)).scaleb(-scale)
        return "numeric", magnitude if raw[0] else -magnitude
    if kind in tds.CHAR_TYPES or kind in (tds.T_BIGVARBIN, tds.T_BIGBINARY):
        size = r.unpack("<H")
        if kind in tds.CHAR_TYPES:
            r.take(5)
        if size == tds.PLP_MAX:
            raw = _read_plp(r)
        else:
            length = r.unpack("<H")
            raw = None if length == 0xFFFF else r.take(length)
        return _text(kind, size, raw)
    if kind in (tds.T_TEXT, tds.T_NTEXT, tds.T_IMAGE):
        r.unpack("<I")
        if kind != tds.T_IMAGE:
            r.take(5)
        length = r.unpack("<I")
        raw = None if length == 0xFFFFFFFF else r.take(length)
        name = {tds.T_TEXT: "text", tds.T_NTEXT: "ntext", tds.T_IMAGE: "image"}[kind]
        if raw is None or kind == tds.T_IMAGE:
            return name, raw
        return name, raw.decode("utf-16-le" if kind == tds.T_NTEXT else tds.CODEPAGE, "replace")
    if kind in (tds.T_DATEN, tds.T_TIMEN, tds.T_DATETIME2N):
        scale = 0 if kind == tds.T_DATEN else r.u8()
        raw = r.take(r.u8())
        return _date_time(kind, scale, raw)
    raise ProtocolError("unsupported parameter type 0x%02X" % kind)


def _fixed(kind, raw):
    if kind == tds.T_BIT:
        return "bit", raw[0] != 0
    if kind in (tds.T_FLT4, tds.T_FLT8):
        return "float", struct.unpack("<f" if kind == tds.T_FLT4 else "<d", raw)[0]
    if kind == tds.T_MONEY:
        return "money", _money(raw)
    if kind == tds.T_DATETIME:
        return "datetime", _datetime(raw)
    return "int%d" % (len(raw) * 8), _int(raw, signed=kind != tds.T_INT1)


def _money(raw):
    if len(raw) == 4:
        return Decimal(_int(raw)).scaleb(-4)
    return Decimal((_int(raw[:4]) << 32) | _int(raw[4:], signed=False)).scaleb(-4)


def _datetime(raw):
    days, ticks = struct.unpack("<ii", raw) if len(raw) == 8 else struct.unpack("<HH", raw)
    if len(raw) == 4:
        ticks *= 60 * 300
    moment = datetime.datetime(1900, 1, 1) + datetime.timedelta(days=days, milliseconds=ticks * 10 / 3)
    return moment.isoformat(sep=" ", timespec="milliseconds")


def _date_time(kind, scale, raw):
    if not raw:
        return "date", None
    if kind == tds.T_DATEN:
        return "date", (datetime.date(1, 1, 1) + datetime.timedelta(days=_int(raw, False))).isoformat()
    tlen = len(raw) - (3 if kind == tds.T_DATETIME2N else 0)
    seconds = _int(raw[:tlen], False) / (10 ** scale)
    clock = (datetime.datetime(1, 1, 1) + datetime.timedelta(seconds=seconds)).time().isoformat()
    if kind == tds.T_TIMEN:
        return "time", clock
    day = datetime.date(1, 1, 1) + datetime.timedelta(days=_int(raw[tlen:], False))
    return "datetime2", "%s %s" % (day.isoformat(), clock)


def _text(kind, size, raw):
    unicode = kind in (tds.T_NVARCHAR, tds.T_NCHAR)
    base = {tds.T_BIGVARCHAR: "varchar", tds.T_BIGCHAR: "char", tds.T_NVARCHAR: "nvarchar", tds.T_NCHAR: "nchar",
            tds.T_BIGVARBIN: "varbinary", tds.T_BIGBINARY: "binary"}[kind]
    shown = "%s(%s)" % (base, "max" if size == tds.PLP_MAX else size // 2 if unicode else size)
    if raw is None or kind in (tds.T_BIGVARBIN, tds.T_BIGBINARY):
        return shown, raw
    return shown, raw.decode("utf-16-le" if unicode else tds.CODEPAGE, "replace")
