"""TDS 7.1 to 7.4 wire format: packets, PRELOGIN/LOGIN7 parsing, RPC parameters and response tokens.

Token builders take the version both sides speak: before 7.2 a DONE row count, a message's line number and a
column's user type are narrower, and (max) values travel as text/ntext/image with a text pointer instead of PLP chunks.
"""

import datetime
import struct
from decimal import Decimal

# Packet types.
PKT_SQL_BATCH = 0x01
PKT_RPC = 0x03
PKT_REPLY = 0x04
PKT_ATTENTION = 0x06
PKT_LOGIN7 = 0x10
PKT_PRELOGIN = 0x12
PKT_TRANSACTION = 0x0E

# Transaction manager requests.
TM_BEGIN_XACT, TM_COMMIT_XACT, TM_ROLLBACK_XACT = 5, 7, 8
ENV_BEGIN_XACT = 8

STATUS_EOM = 0x01

# Data types (TYPE_INFO type bytes).
T_INT1, T_BIT, T_INT2, T_INT4, T_INT8 = 0x30, 0x32, 0x34, 0x38, 0x7F
T_FLT4, T_FLT8, T_MONEY, T_DATETIME = 0x3B, 0x3E, 0x3C, 0x3D
T_INTN, T_BITN, T_FLTN, T_MONEYN, T_DATETIMEN = 0x26, 0x68, 0x6D, 0x6E, 0x6F
T_DECIMALN, T_NUMERICN = 0x6A, 0x6C
T_GUID = 0x24
T_DATEN, T_TIMEN, T_DATETIME2N = 0x28, 0x29, 0x2A
T_BIGVARBIN, T_BIGVARCHAR, T_BIGBINARY, T_BIGCHAR = 0xA5, 0xA7, 0xAD, 0xAF
T_NVARCHAR, T_NCHAR = 0xE7, 0xEF
T_TEXT, T_NTEXT, T_IMAGE = 0x23, 0x63, 0x22

FIXED_SIZES = {T_INT1: 1, T_BIT: 1, T_INT2: 2, T_INT4: 4, T_INT8: 8, T_FLT4: 4, T_FLT8: 8, T_MONEY: 8, T_DATETIME: 8}
BYTELEN_TYPES = {T_INTN, T_BITN, T_FLTN, T_MONEYN, T_DATETIMEN, T_GUID}
CHAR_TYPES = {T_BIGVARCHAR, T_BIGCHAR, T_NVARCHAR, T_NCHAR}
PLP_MAX = 0xFFFF
PLP_NULL = 0xFFFFFFFFFFFFFFFF

# SQL_Latin1_General_CP1_CI_AS: LCID 1033, ignore case/kana/width, sort id 52 (code page 1252).
COLLATION = struct.pack("<I", 0x0409 | (0x0D << 20)) + bytes([52])
CODEPAGE = "cp1252"

# Token types.
TOK_COLMETADATA, TOK_ROW, TOK_ERROR, TOK_INFO = 0x81, 0xD1, 0xAA, 0xAB
TOK_LOGINACK, TOK_ENVCHANGE, TOK_RETURNSTATUS, TOK_RETURNVALUE = 0xAD, 0xE3, 0x79, 0xAC
TOK_DONE, TOK_DONEPROC, TOK_DONEINPROC = 0xFD, 0xFE, 0xFF

DONE_FINAL, DONE_MORE, DONE_ERROR, DONE_COUNT, DONE_ATTN = 0x00, 0x01, 0x02, 0x10, 0x20

TDS71, TDS72, TDS73, TDS74 = 0x71000001, 0x72090002, 0x730B0003, 0x74000004
VERSIONS = {"7.1": TDS71, "7.2": TDS72, "7.3": TDS73, "7.4": TDS74}
# What a server of each version announces: SQL Server 2000, 2005, 2008 R2 and 2016.
PRODUCT_VERSIONS = {TDS71: (8, 0, 2039), TDS72: (9, 0, 5000), TDS73: (10, 50, 6000), TDS74: (13, 0, 4001)}
LONG_TYPES = {T_BIGVARCHAR: T_TEXT, T_NVARCHAR: T_NTEXT, T_BIGVARBIN: T_IMAGE}
TEXTPTR = b"standin textptr\0"
TICKS_PER_DAY = 24 * 60 * 60 * 300


class ProtocolError(Exception):
    pass


class Reader:
    """Cursor over a request payload; every read checks bounds so malformed input raises ProtocolError."""

    def __init__(self, data, pos=0):
        self.data, self.pos = data, pos

    def take(self, n):
        if n < 0 or self.pos + n > len(self.data):
            raise ProtocolError("truncated request")
        chunk = self.data[self.pos:self.pos + n]
        self.pos += n
        return chunk

    def u8(self):
        return self.take(1)[0]

    def unpack(self, fmt):
        return struct.unpack(fmt, self.take(struct.calcsize(fmt)))[0]

    def b_varchar(self):
        return self.take(self.u8() * 2).decode("utf-16-le")

    def us_varchar(self):
        return self.take(self.unpack("<H") * 2).decode("utf-16-le")

    def at_end(self):
        return self.pos >= len(self.data)


def b_varchar(text):
    raw = text.encode("utf-16-le")
    return bytes([len(raw) // 2]) + raw


def us_varchar(text):
    raw = text.encode("utf-16-le")
    return struct.pack("<H", len(raw) // 2) + raw


def packets(ptype, payload, size):
    """Split a reply into packets of the negotiated size."""
    chunk = max(512, size) - 8
    out, pid = [], 1
    pieces = [payload[i:i + chunk] for i in range(0, len(payload), chunk)] or [b""]
    for i, piece in enumerate(pieces):
        status = STATUS_EOM if i == len(pieces) - 1 else 0
        out.append(struct.pack(">BBHHBB", ptype, status, len(piece) + 8, 0, pid & 0xFF, 0) + piece)
        pid += 1
    return b"".join(out)


# ---------------------------------------------------------------- PRELOGIN / LOGIN7

def prelogin_reply(version=TDS74):
    major, minor, build = PRODUCT_VERSIONS[version]
    options = [(0, bytes([major, minor]) + struct.pack(">HH", build, 0)),  # VERSION
               (1, bytes([2])),                                      # ENCRYPTION: not supported
               (2, b"\x00"),                                         # INSTOPT
               (4, b"\x00")]                                         # MARS off
    offset = len(options) * 5 + 1
    head, body = b"", b""
    for token, value in options:
        head += struct.pack(">BHH", token, offset + len(body), len(value))
        body += value
    return head + b"\xff" + body


def decode_password(raw):
    out = bytearray()
    for b in raw:
        b ^= 0xA5
        out.append(((b & 0x0F) << 4) | (b >> 4))
    return out.decode("utf-16-le")


def parse_login7(data):
    if len(data) < 94:
        raise ProtocolError("short LOGIN7")
    fields = {}
    fields["tds_version"] = struct.unpack("<I", data[4:8])[0]
    fields["packet_size"] = struct.unpack("<I", data[8:12])[0]
    names = ["host", "user", "password", "app", "server", "extension", "library", "language", "database"]
    for i, name in enumerate(names):
        off, length = struct.unpack("<HH", data[36 + i * 4:40 + i * 4])
        raw = Reader(data, off).take(length * 2) if name != "extension" else b""
        fields[name] = decode_password(raw) if name == "password" else raw.decode("utf-16-le")
    return fields


# ---------------------------------------------------------------- tokens

def loginack(version, server_version):
    major, minor, build = PRODUCT_VERSIONS[server_version]
    body = (bytes([1]) + struct.pack(">I", version) + b_varchar("Microsoft SQL Server")
            + bytes([major, minor]) + struct.pack(">H", build))
    return bytes([TOK_LOGINACK]) + struct.pack("<H", len(body)) + body


def envchange_text(kind, new, old=""):
    body = bytes([kind]) + b_varchar(new) + b_varchar(old)
    return bytes([TOK_ENVCHANGE]) + struct.pack("<H", len(body)) + body


def envchange_transaction(kind, descriptor):
    """Start (the new descriptor) or end (the old one) of a transaction."""
    values = bytes([8]) + descriptor + b"\x00" if kind == ENV_BEGIN_XACT else b"\x00" + bytes([8]) + descriptor
    body = bytes([kind]) + values
    return bytes([TOK_ENVCHANGE]) + struct.pack("<H", len(body)) + body


def envchange_collation():
    body = bytes([7, len(COLLATION)]) + COLLATION + b"\x00"
    return bytes([TOK_ENVCHANGE]) + struct.pack("<H", len(body)) + body


def message(token, number, state, klass, text, server, proc="", line=1, version=TDS74):
    body = (struct.pack("<iBB", number, state, klass) + us_varchar(text) + b_varchar(server) + b_varchar(proc)
            + struct.pack("<i" if version >= TDS72 else "<H", line))
    return bytes([token]) + struct.pack("<H", len(body)) + body


def done(token=TOK_DONE, status=DONE_FINAL, curcmd=0, count=0, version=TDS74):
    return struct.pack("<BHHQ" if version >= TDS72 else "<BHHI", token, status, curcmd, count)


def returnstatus(value):
    return struct.pack("<Bi", TOK_RETURNSTATUS, value)


class Column:
    """Result column description: SQL Server type, size (bytes) or None for max, precision and scale."""

    def __init__(self, name, kind, size=None, precision=18, scale=0):
        self.name, self.kind, self.size, self.precision, self.scale = name, kind, size, precision, scale

    def _long(self, version):
        """Before 7.2 there is no PLP: a (max) value is a text, ntext or image value."""
        return self.size is None and self.kind in LONG_TYPES and version < TDS72

    def type_info(self, version=TDS74):
        k = self.kind
        if k in (T_INTN, T_FLTN, T_BITN, T_DATETIMEN):
            return bytes([k, self.size])
        if k == T_NUMERICN:
            return bytes([k, 17, self.precision, self.scale])
        if self._long(version):
            long_kind = LONG_TYPES[k]
            info = bytes([long_kind]) + struct.pack("<I", 0x7FFFFFFF)
            return info + (COLLATION if long_kind != T_IMAGE else b"") + struct.pack("<H", 0)  # no table name
        if k in (T_NVARCHAR, T_BIGVARCHAR):
            return bytes([k]) + struct.pack("<H", PLP_MAX if self.size is None else self.size) + COLLATION
        if k == T_BIGVARBIN:
            return bytes([k]) + struct.pack("<H", PLP_MAX if self.size is None else self.size)
        raise ValueError("unsupported column type %#x" % k)

    def encode(self, value, version=TDS74):
        k = self.kind
        if k in (T_INTN, T_BITN):
            if value is None:
                return b"\x00"
            fmt = {1: "<B", 2: "<h", 4: "<i", 8: "<q"}[self.size]
            return bytes([self.size]) + struct.pack(fmt, int(value))
        if k == T_FLTN:
            return b"\x00" if value is None else bytes([8]) + struct.pack("<d", float(value))
        if k == T_DATETIMEN:
            return b"\x00" if value is None else bytes([8]) + encode_datetime(value)
        if k == T_NUMERICN:
            if value is None:
                return b"\x00"
            scaled = int((Decimal(str(value)) * (10 ** self.scale)).to_integral_value())
            return bytes([17, 1 if scaled >= 0 else 0]) + abs(scaled).to_bytes(16, "little")
        if k in (T_NVARCHAR, T_BIGVARCHAR, T_BIGVARBIN):
            long_value = self._long(version)
            if value is None:
                if long_value:
                    return b"\x00"  # no text pointer
                return struct.pack("<Q", PLP_NULL) if self.size is None else b"\xff\xff"
            if isinstance(value, (bytes, bytearray)):
                raw = bytes(value)
            elif k == T_NVARCHAR:
                raw = str(value).encode("utf-16-le")
            else:
                raw = str(value).encode(CODEPAGE, "replace")
            if long_value:
                return bytes([len(TEXTPTR)]) + TEXTPTR + bytes(8) + struct.pack("<I", len(raw)) + raw
            if self.size is None:
                body = struct.pack("<I", len(raw)) + raw if raw else b""
                return struct.pack("<Q", len(raw)) + body + b"\x00\x00\x00\x00"
            return struct.pack("<H", len(raw)) + raw
        raise ValueError("unsupported column type %#x" % k)


def encode_datetime(text):
    """A datetime value as days since 1900-01-01 and three-hundredths of a second since midnight."""
    moment = datetime.datetime.fromisoformat(str(text))
    since = moment - datetime.datetime(1900, 1, 1)
    ticks = since.seconds * 300 + (since.microseconds * 3 + 5000) // 10000
    days = since.days + ticks // TICKS_PER_DAY  # 23:59:59.999 rounds up to the next day
    return struct.pack("<iI", days, ticks % TICKS_PER_DAY)


def colmetadata(columns, version=TDS74):
    user_type = struct.pack("<I" if version >= TDS72 else "<H", 0)
    out = bytearray([TOK_COLMETADATA]) + struct.pack("<H", len(columns))
    for col in columns:
        out += user_type + struct.pack("<H", 0x0009)  # nullable, updateable unknown
        out += col.type_info(version) + b_varchar(col.name)
    return bytes(out)


def row(columns, values, version=TDS74):
    return bytes([TOK_ROW]) + b"".join(col.encode(v, version) for col, v in zip(columns, values))


def returnvalue(ordinal, name, column, value, version=TDS74):
    user_type = struct.pack("<I" if version >= TDS72 else "<H", 0)
    return (bytes([TOK_RETURNVALUE]) + struct.pack("<H", ordinal) + b_varchar(name) + b"\x01"
            + user_type + struct.pack("<H", 0x0009) + column.type_info(version) + column.encode(value, version))
