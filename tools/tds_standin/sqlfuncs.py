"""Functions and the collation registered in SQLite to give it the server's behaviour."""

import datetime
import decimal
import re
import xml.etree.ElementTree as ET

from .errors import ServerError

_DECL_RE = re.compile(r"^\s*<\?xml[^>]*\?>", re.IGNORECASE)
_ENCODING_RE = re.compile(r"""\bencoding\s*=\s*["']([^"']*)["']""", re.IGNORECASE)
_UNICODE_ENCODINGS = ("utf-16", "utf16", "ucs-2", "unicode")
_WRAP = "<standin-document>"
_PATH_RE = re.compile(r"^\s*\((.*)\)\s*\[\s*(\d+)\s*\]\s*$", re.DOTALL)
_XML_ERRORS = [("no element found", 9400, "unexpected end of input"),
               ("unclosed token", 9400, "unexpected end of input"),
               ("mismatched tag", 9436, "end tag does not match start tag"),
               ("undefined entity", 9411, "semicolon expected"),
               ("not well-formed", 9421, "illegal name character")]


def compare_ci(a, b):
    """Case-insensitive, accent-sensitive comparison that ignores trailing blanks."""
    ka, kb = a.rstrip(" ").casefold(), b.rstrip(" ").casefold()
    return (ka > kb) - (ka < kb)


def text_length(value):
    """LEN: characters without the trailing blanks, counted in UTF-16 units as the server's collation counts
    them (a character outside the Basic Multilingual Plane is two)."""
    if value is None:
        return None
    return len(str(value).rstrip(" ").encode("utf-16-le")) // 2


def to_codepage(value):
    """What an 8-bit column keeps of a text: characters outside Windows-1252 become '?'."""
    if not isinstance(value, str):
        return value
    return value.encode("cp1252", "replace").decode("cp1252")


def parse_xml(text):
    """Parse an xml value; like the server's xml type it accepts fragments (several roots, bare text)."""
    body = _DECL_RE.sub("", text, count=1)
    try:
        wrapper = ET.Element(_WRAP[1:-1])
        wrapper.append(ET.fromstring(body))
        return wrapper
    except ET.ParseError as exc:
        first = exc
    try:
        return ET.fromstring(_WRAP + body + _WRAP.replace("<", "</"))
    except ET.ParseError:
        pass
    line, column = first.position
    if line == 1:
        column += len(text) - len(body)
    reason = str(first).split(":")[0]
    number, words = next(((n, w) for key, n, w in _XML_ERRORS if reason.startswith(key)),
                         (9400, "unexpected end of input"))
    raise ServerError(number, 16, 1, "XML parsing: line %d, character %d, %s" % (line, column + 1, words))


def check_encoding(text, unicode):
    """The server reads Unicode text as UTF-16: a declaration naming any other encoding cannot be honoured, and
    8-bit text cannot switch to UTF-16."""
    declaration = _DECL_RE.match(text)
    encoding = _ENCODING_RE.search(declaration.group()) if declaration else None
    if encoding and (encoding.group(1).lower() in _UNICODE_ENCODINGS) != unicode:
        line = text.count("\n", 0, declaration.end()) + 1
        column = declaration.end() - (text.rfind("\n", 0, declaration.end()) + 1)
        raise ServerError(9402, 16, 1, "XML parsing: line %d, character %d, unable to switch the encoding"
                          % (line, column))


def to_datetime(value):
    """A value converted to datetime, as canonical text, rounded to the type's 1/300 s."""
    if value is None:
        return None
    try:
        moment = datetime.datetime.fromisoformat(str(value).strip())
    except ValueError:
        raise ServerError(241, 16, 1, "Conversion failed when converting date and/or time from character "
                          "string.") from None
    if not datetime.datetime(1753, 1, 1) <= moment <= datetime.datetime(9999, 12, 31, 23, 59, 59, 997000):
        raise ServerError(242, 16, 3, "The conversion of a varchar data type to a datetime data type resulted in "
                          "an out-of-range value.")
    ticks = (moment.microsecond * 3 + 5000) // 10000
    moment = moment.replace(microsecond=0) + datetime.timedelta(milliseconds=(ticks * 10 + 1) // 3)
    return moment.isoformat(sep=" ", timespec="milliseconds")


def to_numeric(value, precision, scale):
    """A value converted to numeric(precision, scale): rounded half away from zero to the scale; a value with
    more integer digits than the type holds is error 8115."""
    if value is None:
        return None
    try:
        number = decimal.Decimal(str(value).strip()).quantize(decimal.Decimal(1).scaleb(-scale),
                                                                rounding=decimal.ROUND_HALF_UP)
    except decimal.InvalidOperation:
        raise ServerError(8114, 16, 5, "Error converting data type %s to numeric." % _type_name(value)) from None
    if abs(number) >= 10 ** (precision - scale):
        raise ServerError(8115, 16, 2, "Arithmetic overflow error converting %s to data type numeric."
                          % _type_name(value))
    return int(number) if scale == 0 else float(number)


def _type_name(value):
    if isinstance(value, int) and -2 ** 31 <= value < 2 ** 31:
        return "int"
    return "varchar" if isinstance(value, str) else "numeric"


def select_path(root, path):
    """First node that a simple absolute path such as (/a/b)[1] or /a/b/text() selects, as text or None."""
    m = _PATH_RE.match(path)
    index = 1
    if m:
        path, index = m.group(1), int(m.group(2))
    path = path.strip()
    if not path.startswith("/"):
        raise ServerError(2389, 16, 1, "XQuery [value()]: 'value()' requires a singleton (or empty sequence), "
                          "found operand of type 'xdt:untypedAtomic *'")
    steps = path.strip("/").split("/")
    want_text = steps and steps[-1] == "text()"
    if want_text:
        steps = steps[:-1]
    nodes = [root]
    for step in steps:
        step_index = None
        sm = re.match(r"^([\w:.*-]+)\s*(?:\[\s*(\d+)\s*\])?$", step)
        if not sm:
            raise ServerError(2209, 16, 1, "XQuery [value()]: Syntax error near '%s'" % step)
        name = sm.group(1)
        if sm.group(2):
            step_index = int(sm.group(2))
        found = []
        for node in nodes:
            matches = [c for c in node if name == "*" or c.tag == name]
            if step_index is not None:
                matches = matches[step_index - 1:step_index]
            found.extend(matches)
        nodes = found
    if len(nodes) < index:
        return None
    node = nodes[index - 1]
    return (node.text or "") if want_text else "".join(node.itertext())


def convert_value(text, sql_type):
    if text is None:
        return None
    m = re.match(r"^\s*(\w+)\s*(?:\(\s*(max|\d+)\s*\))?\s*$", sql_type, re.IGNORECASE)
    base = m.group(1).lower() if m else ""
    size = m.group(2) if m else None
    if base in ("nvarchar", "varchar", "nchar", "char"):
        if base in ("varchar", "char"):
            text = to_codepage(text)
        return text[:int(size)] if size and size.lower() != "max" else text
    if base in ("int", "bigint", "smallint", "tinyint"):
        try:
            return int(text.strip())
        except ValueError:
            raise ServerError(245, 16, 1, "Conversion failed when converting the nvarchar value '%s' to data type "
                              "%s." % (text, base)) from None
    if base in ("float", "real", "numeric", "decimal"):
        try:
            return float(text.strip())
        except ValueError:
            raise ServerError(8114, 16, 5, "Error converting data type nvarchar to %s." % base) from None
    raise ServerError(9500, 16, 1, "The data type '%s' used in the VALUE method is invalid." % sql_type)


class Functions:
    """Holds the server error a function raised, so the statement fails with that error, not SQLite's."""

    def __init__(self):
        self.pending = None

    def _guard(self, fn):
        def wrapper(*args):
            try:
                return fn(*args)
            except ServerError as exc:
                self.pending = exc
                raise
        return wrapper

    def xml(self, text, unicode=1):
        if text is None:
            return None
        check_encoding(text, bool(unicode))
        parse_xml(text)
        return text

    def xml_value(self, text, path, sql_type):
        if text is None:
            return None
        return convert_value(select_path(parse_xml(text), path), sql_type)

    def xml_exist(self, text, path):
        if text is None:
            return None
        return 0 if select_path(parse_xml(text), path) is None else 1

    @staticmethod
    def fail_duplicate(table, *key):
        shown = ", ".join("<NULL>" if k is None else str(k) for k in key)
        raise ServerError(2627, 14, 1, "Violation of PRIMARY KEY constraint 'PK_%s'. Cannot insert duplicate key in "
                          "object 'dbo.%s'. The duplicate key value is (%s)." % (table, table, shown))

    @staticmethod
    def fail_truncation(table, column, value):
        raise ServerError(8152, 16, 14, "String or binary data would be truncated.")


def register(conn):
    funcs = Functions()
    conn.create_collation("SQLSRV_CI_AS", compare_ci)
    conn.create_function("standin_xml", -1, funcs._guard(funcs.xml))
    conn.create_function("standin_datetime", 1, funcs._guard(to_datetime), deterministic=True)
    conn.create_function("standin_numeric", 3, funcs._guard(to_numeric), deterministic=True)
    conn.create_function("standin_xml_value", 3, funcs._guard(funcs.xml_value))
    conn.create_function("standin_xml_exist", 2, funcs._guard(funcs.xml_exist))
    conn.create_function("standin_fail_duplicate", -1, funcs._guard(funcs.fail_duplicate))
    conn.create_function("standin_fail_truncation", 3, funcs._guard(funcs.fail_truncation))
    conn.create_function("standin_cp1252", 1, to_codepage, deterministic=True)
    conn.create_function("standin_len", 1, text_length, deterministic=True)
    conn.create_function("standin_now", 0,
                         lambda: datetime.datetime.now().isoformat(sep=" ", timespec="milliseconds"))
    return funcs
