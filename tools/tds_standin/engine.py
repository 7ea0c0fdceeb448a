"""The database every connection shares: the SQLite file, its catalog and the triggers that give its tables
SQL Server's rules (keys, declared lengths, code page)."""

import contextlib
import sqlite3

from . import columns
from . import sqlfuncs
from . import sqlxlate

BUSY_TIMEOUT = 20.0  # seconds a statement waits for another connection's transaction, then fails with 1222


class Result:
    """One statement's outcome: columns and rows for a query, or an affected-row count."""

    def __init__(self, columns=None, rows=None, rowcount=-1):
        self.columns, self.rows, self.rowcount = columns, rows or [], rowcount


class Database:
    """The SQLite file behind the server. Each client connection opens its own SQLite connection (connect()), so
    that a transaction stays its own until it ends; the catalog of tables and columns is shared."""

    def __init__(self, path, name):
        self.path, self.name = path, name
        self.catalog = {}
        with self._connect() as conn:
            conn.execute("PRAGMA journal_mode = WAL")
            self.refresh_catalog(conn)

    def connect(self):
        """A new SQLite connection with the server's collation and functions; returns (connection, Functions)."""
        conn = sqlite3.connect(self.path, isolation_level=None, check_same_thread=False, timeout=BUSY_TIMEOUT)
        conn.execute("PRAGMA foreign_keys = ON")
        return conn, sqlfuncs.register(conn)

    @contextlib.contextmanager
    def _connect(self):
        conn, _ = self.connect()
        try:
            yield conn
        finally:
            conn.close()

    # ------------------------------------------------------------ catalog and triggers

    def refresh_catalog(self, conn):
        catalog = {}
        tables = [r[0] for r in conn.execute("SELECT name FROM sqlite_master WHERE type = 'table' "
                                             "AND name NOT LIKE 'sqlite_%'")]
        for table in tables:
            info = conn.execute("PRAGMA table_info(%s)" % _quote(table)).fetchall()
            catalog[table.lower()] = (table, {r[1].lower(): (r[1], r[2], r[5]) for r in info})
        self.catalog = catalog

    def table(self, name):
        """Catalog name of a table named in a statement, or the name itself when unknown."""
        return self.catalog.get(_bare(name), (_bare(name),))[0]

    def foreign_keys(self, table):
        with self._connect() as conn:
            rows = conn.execute("PRAGMA foreign_key_list(%s)" % _quote(table)).fetchall()
            return [(r[2], r[4]) for r in rows]

    def install_triggers(self, conn, table):
        """Key, length and code page rules of the table's columns, as triggers calling the helper functions."""
        name, table_columns = self.catalog[table.lower()]
        cols = sorted(table_columns.values(), key=lambda c: c[2])
        keys = [c[0] for c in cols if c[2] > 0]
        checks, conversions = [], []
        for col, decl, _ in cols:
            m = columns.TYPE_RE.match(decl or "")
            base = m.group(1).lower() if m else ""
            if base in sqlxlate.CHAR_TYPES and m.group(2) and m.group(2).lower() not in ("max", "-1"):
                checks.append("SELECT standin_fail_truncation(%s, %s, NEW.%s) WHERE standin_len(NEW.%s) > %s;"
                              % (_lit(name), _lit(col), _quote(col), _quote(col), m.group(2)))
            # What the column keeps of a value: its code page, its scale (checking its precision), a datetime.
            if base in ("varchar", "char", "text"):
                conversions.append("%s = standin_cp1252(%s)" % (_quote(col), _quote(col)))
            elif base in ("numeric", "decimal"):
                conversions.append("%s = standin_numeric(%s, %s, %s)"
                                   % (_quote(col), _quote(col), m.group(2) or 18, m.group(3) or 0))
            elif base in ("datetime", "smalldatetime"):
                conversions.append("%s = standin_datetime(%s)" % (_quote(col), _quote(col)))
        for event in ("INSERT", "UPDATE"):
            body = list(checks)
            if keys and event == "INSERT":
                cond = " AND ".join("%s = NEW.%s" % (_quote(k), _quote(k)) for k in keys)
                args = ", ".join("NEW.%s" % _quote(k) for k in keys)
                body.append("SELECT standin_fail_duplicate(%s, %s) WHERE EXISTS (SELECT 1 FROM %s WHERE %s);"
                            % (_lit(name), args, _quote(name), cond))
            self._trigger(conn, "standin_check_%s_%s" % (event.lower(), name), "BEFORE " + event, name, body)
            if conversions:
                update = "UPDATE %s SET %s WHERE rowid = NEW.rowid;" % (_quote(name), ", ".join(conversions))
                self._trigger(conn, "standin_convert_%s_%s" % (event.lower(), name), "AFTER " + event, name, [update])

    @staticmethod
    def _trigger(conn, trigger, when, table, body):
        conn.execute("DROP TRIGGER IF EXISTS %s" % _quote(trigger))
        if body:
            conn.execute("CREATE TRIGGER %s %s ON %s FOR EACH ROW BEGIN %s END"
                              % (_quote(trigger), when, _quote(table), " ".join(body)))

def _quote(name):
    return '"%s"' % name.replace('"', '""')


def _lit(text):
    return "'%s'" % text.replace("'", "''")


def _bare(name):
    return sqlxlate._bare(name)
