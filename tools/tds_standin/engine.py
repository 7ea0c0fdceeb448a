"""SQLite-backed execution with SQL Server semantics: collation, code page, keys and error numbers."""

import re
import sqlite3
import threading

import sqlfuncs
import sqlxlate
import tds
from errors import ServerError, map_sqlite_error

_TYPE_RE = re.compile(r"(\w+)\s*(?:\(\s*(max|-1|\d+)\s*(?:,\s*(\d+)\s*)?\))?", re.IGNORECASE)
_INT_SIZES = {"int": 4, "integer": 4, "bigint": 8, "smallint": 2, "tinyint": 1}


class Result:
    """One statement's outcome: columns and rows for a query, or an affected-row count."""

    def __init__(self, columns=None, rows=None, rowcount=-1):
        self.columns, self.rows, self.rowcount = columns, rows or [], rowcount


def column_for_decl(name, decl):
    m = _TYPE_RE.match(decl or "")
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
    if base in ("nvarchar", "nchar", "ntext", "date", "datetime", "datetime2", "time"):
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


class Database:
    """One SQLite connection shared by every client; statements run one at a time under a lock."""

    def __init__(self, path, name):
        self.name = name
        self.lock = threading.RLock()
        self.conn = sqlite3.connect(path, isolation_level=None, check_same_thread=False)
        self.conn.execute("PRAGMA foreign_keys = ON")
        self.conn.execute("PRAGMA journal_mode = WAL")
        self.funcs = sqlfuncs.register(self.conn)
        self.catalog = {}
        self.refresh_catalog()

    # ------------------------------------------------------------ catalog and triggers

    def refresh_catalog(self):
        self.catalog = {}
        tables = [r[0] for r in self.conn.execute("SELECT name FROM sqlite_master WHERE type = 'table' "
                                                  "AND name NOT LIKE 'sqlite_%'")]
        for table in tables:
            info = self.conn.execute("PRAGMA table_info(%s)" % _quote(table)).fetchall()
            self.catalog[table.lower()] = (table, {r[1].lower(): (r[1], r[2], r[5]) for r in info})

    def foreign_keys(self, table):
        rows = self.conn.execute("PRAGMA foreign_key_list(%s)" % _quote(table)).fetchall()
        return [(r[2], r[4]) for r in rows]

    def install_triggers(self, table):
        """Key, length and code page rules of the table's columns, as triggers calling the helper functions."""
        name, columns = self.catalog[table.lower()]
        cols = sorted(columns.values(), key=lambda c: c[2])
        keys = [c[0] for c in cols if c[2] > 0]
        checks, narrow = [], []
        for col, decl, _ in cols:
            m = _TYPE_RE.match(decl or "")
            base = m.group(1).lower() if m else ""
            if base in sqlxlate.CHAR_TYPES and m.group(2) and m.group(2).lower() not in ("max", "-1"):
                checks.append("SELECT standin_fail_truncation(%s, %s, NEW.%s) WHERE standin_len(NEW.%s) > %s;"
                              % (_lit(name), _lit(col), _quote(col), _quote(col), m.group(2)))
            if base in ("varchar", "char", "text"):
                narrow.append(col)
        for event in ("INSERT", "UPDATE"):
            body = list(checks)
            if keys and event == "INSERT":
                cond = " AND ".join("%s = NEW.%s" % (_quote(k), _quote(k)) for k in keys)
                args = ", ".join("NEW.%s" % _quote(k) for k in keys)
                body.append("SELECT standin_fail_duplicate(%s, %s) WHERE EXISTS (SELECT 1 FROM %s WHERE %s);"
                            % (_lit(name), args, _quote(name), cond))
            self._trigger("standin_check_%s_%s" % (event.lower(), name), "BEFORE " + event, name, body)
            sets = ", ".join("%s = standin_cp1252(%s)" % (_quote(c), _quote(c)) for c in narrow)
            if sets:
                update = "UPDATE %s SET %s WHERE rowid = NEW.rowid;" % (_quote(name), sets)
                self._trigger("standin_codepage_%s_%s" % (event.lower(), name), "AFTER " + event, name, [update])

    def _trigger(self, trigger, when, table, body):
        self.conn.execute("DROP TRIGGER IF EXISTS %s" % _quote(trigger))
        if body:
            self.conn.execute("CREATE TRIGGER %s %s ON %s FOR EACH ROW BEGIN %s END"
                              % (_quote(trigger), when, _quote(table), " ".join(body)))

    # ------------------------------------------------------------ execution

    def execute_batch(self, sql, params=None):
        """Run every statement of a T-SQL batch; yield one Result per statement; raise ServerError."""
        tokens = sqlxlate.tokenize(sql.replace("\r\n", "\n"))
        for statement in sqlxlate.split_statements(tokens):
            yield self.execute_statement(statement, params or {})

    def execute_statement(self, tokens, params):
        kind = tokens[0].text.upper()
        if kind in ("SET", "USE"):
            return self._session_statement(kind, tokens)
        if kind in ("EXEC", "EXECUTE") and len(tokens) > 1:
            raise ServerError(2812, 16, 62, "Could not find stored procedure '%s'." % tokens[1].text.strip("[]"))
        if kind not in ("SELECT", "WITH", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "ALTER", "VALUES"):
            raise ServerError.syntax(tokens[0].text)
        text = sqlxlate.translate(tokens)
        target = self._target_table(tokens, kind)
        with self.lock:
            self.funcs.pending = None
            try:
                cursor = self.conn.execute(text, params)
                rows = cursor.fetchall() if cursor.description else None
            except (sqlite3.Error, ValueError, OverflowError) as exc:
                if self.funcs.pending is not None:
                    raise self.funcs.pending from None
                raise map_sqlite_error(exc, self.name, kind, target, self.foreign_keys, tokens[-1].text) from None
            if kind in ("CREATE", "DROP", "ALTER"):
                self.refresh_catalog()
                if kind == "CREATE" and tokens[1].low() == "table":
                    self.install_triggers(_created_table(tokens))
                return Result()
            if rows is None:
                return Result(rowcount=cursor.rowcount)
            return Result(self._columns(cursor.description, rows, tokens), rows, len(rows))

    def _session_statement(self, kind, tokens):
        if kind == "USE" and len(tokens) > 1 and _bare(tokens[1].text) != self.name.lower():
            raise ServerError(911, 16, 1, "Database '%s' does not exist. Make sure that the name is entered "
                              "correctly." % tokens[1].text.strip("[]"))
        return Result()

    def _target_table(self, tokens, kind):
        words = [t.low() for t in tokens]
        for marker in {"INSERT": ("into",), "UPDATE": ("update",), "DELETE": ("from",)}.get(kind, ()):
            if marker in words:
                i = words.index(marker) + 1
                if i < len(tokens):
                    return self.catalog.get(_bare(tokens[i].text), (_bare(tokens[i].text),))[0]
        return None

    def _columns(self, description, rows, tokens):
        referenced = [self.catalog[_bare(t.text)][1] for t in tokens
                      if t.kind == "ident" and _bare(t.text) in self.catalog]
        columns = []
        for i, desc in enumerate(description):
            name = desc[0] if re.fullmatch(r"[A-Za-z_][\w$#]*", desc[0] or "") else ""
            values = [r[i] for r in rows]
            decl = next((cols[name.lower()][1] for cols in referenced if name and name.lower() in cols), None)
            column = column_for_decl(name, decl)
            if column is None or not _fits(column, values):
                column = column_for_values(name, values)
            columns.append(column)
        return columns


def _created_table(tokens):
    """Name in CREATE TABLE [IF NOT EXISTS] [schema.]name (...): the word before the first parenthesis."""
    words = [t.text for t in tokens]
    return _bare(words[words.index("(") - 1])


def _fits(column, values):
    try:
        for v in values:
            column.encode(v)
        return True
    except Exception:  # any value the declared type cannot carry
        return False


def _quote(name):
    return '"%s"' % name.replace('"', '""')


def _lit(text):
    return "'%s'" % text.replace("'", "''")


def _bare(name):
    return sqlxlate._bare(name)
