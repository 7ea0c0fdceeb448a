"""One client connection's session: its SET options, its transaction and the statements it runs."""

import itertools
import re
import sqlite3

from . import columns
from . import exprtypes
from . import sqlxlate
from .engine import Result
from .errors import RESERVED, ServerError, map_sqlite_error

ON_OFF = {"on": True, "off": False}
QUERY_KINDS = ("SELECT", "WITH", "INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "ALTER", "VALUES")
WRITE_KINDS = ("INSERT", "UPDATE", "DELETE", "CREATE", "DROP", "ALTER")
STATEMENT_KINDS = QUERY_KINDS + ("BEGIN", "COMMIT", "ROLLBACK", "SET", "USE", "EXEC", "EXECUTE", "IF")
TRANSACTION_WORDS = ("tran", "transaction", "work")
# ENVCHANGE types a transaction's start and end are announced with.
ENV_BEGIN, ENV_COMMIT, ENV_ROLLBACK = 8, 9, 10


class Params(dict):
    """Parameter values by name; types: their declared SQL types by lower-case name, where declared."""

    types = {}


class Session:
    """Options and transaction of one client connection (the control pipe has a session of its own).

    A transaction counts nested BEGINs as the server does (@@TRANCOUNT); the SQLite transaction behind it starts
    at its first write, so reads before that see what others committed. Transaction starts and ends are queued
    in `events` as (ENVCHANGE type, descriptor) for the connection to announce.
    """

    descriptors = itertools.count(1)

    def __init__(self, db, nocount=False):
        self.db = db
        self.conn, self.funcs = db.connect()
        self.nocount = nocount
        self.implicit_transactions = False
        self.trancount = 0
        self.descriptor = bytes(8)
        self.writing = False  # the SQLite transaction holds the write lock
        self.events = []

    def close(self):
        """Ends the session; an open transaction is rolled back, as when a client disconnects."""
        self.conn.close()

    # ------------------------------------------------------------ transactions

    def begin(self):
        self.trancount += 1
        if self.trancount == 1:
            self.descriptor = next(Session.descriptors).to_bytes(8, "little")
            self.events.append((ENV_BEGIN, self.descriptor))

    def commit(self):
        if self.trancount == 0:
            raise ServerError(3902, 16, 1, "The COMMIT TRANSACTION request has no corresponding BEGIN TRANSACTION.")
        self.trancount -= 1
        if self.trancount == 0:
            self._end("COMMIT", ENV_COMMIT)

    def rollback(self):
        if self.trancount == 0:
            raise ServerError(3903, 16, 1, "The ROLLBACK TRANSACTION request has no corresponding BEGIN "
                              "TRANSACTION.")
        self.trancount = 0
        self._end("ROLLBACK", ENV_ROLLBACK)

    def _end(self, verb, event):
        if self.writing:
            self.writing = False
            self.conn.execute(verb)
        self.events.append((event, self.descriptor))
        self.descriptor = bytes(8)

    def _before(self, kind, tokens):
        """Implicit transactions start at the statements the server starts them at; a write takes the lock."""
        if self.trancount == 0 and self.implicit_transactions and kind in QUERY_KINDS and (
                kind in WRITE_KINDS or any(t.low() == "from" for t in tokens)):
            self.begin()
        if self.trancount and not self.writing and kind in WRITE_KINDS:
            try:
                self.conn.execute("BEGIN IMMEDIATE")
            except sqlite3.OperationalError:
                raise ServerError(1222, 16, 51, "Lock request time out period exceeded.") from None
            self.writing = True

    def _transaction_statement(self, kind, tokens):
        words = [t.low() for t in tokens[1:]]
        if kind == "BEGIN":
            if not words or words[0] not in TRANSACTION_WORDS[:2] or len(words) > 2:
                raise ServerError.syntax(tokens[min(1, len(tokens) - 1)].text)
            self.begin()
        elif len(words) > 2 or (words and words[0] not in TRANSACTION_WORDS):
            raise ServerError.syntax(tokens[1].text)
        elif kind == "COMMIT":
            self.commit()
        else:
            self.rollback()
        return Result()

    # ------------------------------------------------------------ options

    def set_option(self, tokens):
        """SET NOCOUNT and IMPLICIT_TRANSACTIONS ON|OFF change the session; other SET statements are ignored."""
        words = [t.low() for t in tokens]
        if len(words) >= 2 and words[1] in ("nocount", "implicit_transactions"):
            if len(words) != 3 or words[2] not in ON_OFF:
                raise ServerError.syntax(tokens[-1].text)
            setattr(self, "nocount" if words[1] == "nocount" else "implicit_transactions", ON_OFF[words[2]])

    def globals(self):
        return {"@@trancount": str(self.trancount)}

    # ------------------------------------------------------------ statements

    def run_batch(self, sql, params, control):
        """Run a client's batch; yield (Result, statement kind, ServerError or None) per statement.

        As on the server, a statement-terminating error ends its statement and the batch goes on; any other error
        ends the batch. The first statement may name a procedure without EXEC. `IF condition` runs or skips the
        statement after it. control: the stand-in's control statements (exec standin_fault ...).
        """
        try:
            statements = sqlxlate.split_statements(sqlxlate.tokenize(sql.replace("\r\n", "\n")))
            for i, statement in enumerate(statements):
                _check_start(statement, i == 0)
        except ServerError as err:
            yield Result(), "", err
            return
        skip = False
        for statement in statements:
            kind = statement[0].text.upper()
            if skip:
                skip = False
                continue
            try:
                if control.is_control(statement):
                    control.run(statement)
                    result, kind = Result(), "EXEC"
                elif kind == "IF":
                    skip = not self._condition(statement[1:], params)
                    continue
                else:
                    result = self.execute_statement(statement, params)
            except ServerError as err:
                yield Result(), kind, err
                if err.ends_batch:
                    return
                continue
            yield result, kind, None

    def _condition(self, tokens, params):
        if not tokens:
            raise ServerError.syntax("if")
        condition = sqlxlate.tokenize("select case when ") + tokens + sqlxlate.tokenize(" then 1 else 0 end")
        return self.conn.execute(sqlxlate.translate(condition, self.globals()), params).fetchone()[0] == 1

    def execute_batch(self, sql, params=None):
        """Run every statement of a batch; yield one Result per statement; raise the first ServerError."""
        for statement in sqlxlate.split_statements(sqlxlate.tokenize(sql.replace("\r\n", "\n"))):
            yield self.execute_statement(statement, params or {})

    def execute_statement(self, tokens, params):
        kind = tokens[0].text.upper()
        if kind in ("BEGIN", "COMMIT", "ROLLBACK"):
            return self._transaction_statement(kind, tokens)
        if kind == "SET":
            self.set_option(tokens)
            return Result()
        if kind == "USE":
            if len(tokens) > 1 and sqlxlate._bare(tokens[1].text) != self.db.name.lower():
                raise ServerError(911, 16, 1, "Database '%s' does not exist. Make sure that the name is entered "
                                  "correctly." % tokens[1].text.strip("[]"))
            return Result()
        if kind in ("EXEC", "EXECUTE") and len(tokens) > 1:
            raise ServerError(2812, 16, 62, "Could not find stored procedure '%s'." % tokens[1].text.strip("[]"))
        if kind not in QUERY_KINDS:
            raise ServerError.syntax(tokens[0].text)
        text = sqlxlate.translate(tokens, self.globals(), lambda operand: self._is_unicode(operand, tokens, params))
        self._before(kind, tokens)
        self.funcs.pending = None
        try:
            cursor = self.conn.execute(text, params)
            rows = cursor.fetchall() if cursor.description else None
        except (sqlite3.Error, ValueError, OverflowError) as exc:
            if self.funcs.pending is not None:
                raise self.funcs.pending from None
            target = self._target_table(tokens, kind)
            raise map_sqlite_error(exc, self.db.name, kind, target, self.db.foreign_keys, tokens[-1].text) from None
        if kind in ("CREATE", "DROP", "ALTER"):
            self.db.refresh_catalog(self.conn)
            if kind == "CREATE" and tokens[1].low() == "table":
                self.db.install_triggers(self.conn, _created_table(tokens))
            return Result()
        if rows is None:
            return Result(rowcount=cursor.rowcount)
        return Result(self._columns(cursor.description, rows, tokens), rows, len(rows))

    def _is_unicode(self, operand, tokens, params):
        """Whether an operand is Unicode text: N'' literals, nvarchar parameters and columns; 8-bit otherwise."""
        if len(operand) == 1 and operand[0].kind == "string":
            return operand[0].text[0] in "Nn"
        if len(operand) == 1 and operand[0].kind == "var":
            declared = getattr(params, "types", {}).get(operand[0].text.lstrip("@").lower())
            return declared is None or not declared.startswith(("varchar", "char", "text"))
        if operand and operand[-1].kind == "ident" and all(t.kind == "ident" or t.text == "." for t in operand):
            decl = self._declared_type(operand[-1].text, tokens)
            if decl:
                return not decl.lower().startswith(("varchar", "char", "text"))
        return True

    def _declared_type(self, column, tokens):
        """Declared type of a column of one of the tables a statement names, or None."""
        name = sqlxlate._bare(column)
        for t in tokens:
            table = self.db.catalog.get(sqlxlate._bare(t.text)) if t.kind == "ident" else None
            if table and name in table[1]:
                return table[1][name][1]
        return None

    def _target_table(self, tokens, kind):
        words = [t.low() for t in tokens]
        for marker in {"INSERT": ("into",), "UPDATE": ("update",), "DELETE": ("from",)}.get(kind, ()):
            if marker in words:
                i = words.index(marker) + 1
                if i < len(tokens):
                    return self.db.table(tokens[i].text)
        return None

    def _columns(self, description, rows, tokens):
        catalog = self.db.catalog
        referenced = [catalog[sqlxlate._bare(t.text)][1] for t in tokens
                      if t.kind == "ident" and sqlxlate._bare(t.text) in catalog]
        static = exprtypes.select_item_types(tokens, lambda name: self._declared_type(name, tokens))
        result = []
        for i, desc in enumerate(description):
            name = desc[0] if re.fullmatch(r"[A-Za-z_][\w$#]*", desc[0] or "") else ""
            values = [r[i] for r in rows]
            decl = static[i] if len(static) == len(description) else None
            decl = decl or next((cols[name.lower()][1] for cols in referenced if name and name.lower() in cols), None)
            column = columns.column_for_decl(name, decl)
            if column is None or not columns.fits(column, values):
                column = columns.column_for_values(name, values)
            result.append(column)
        return result


def _check_start(tokens, first):
    """A statement starts with a statement word; the batch's first may be a procedure's name alone."""
    word = tokens[0]
    if word.kind == "ident" and word.low() not in RESERVED and first:
        tokens.insert(0, sqlxlate.Tok("ident", "EXEC"))
    elif word.text.upper() not in STATEMENT_KINDS:
        raise ServerError.syntax(word.text)


def _created_table(tokens):
    """Name in CREATE TABLE [IF NOT EXISTS] [schema.]name (...): the word before the first parenthesis."""
    words = [t.text for t in tokens]
    return sqlxlate._bare(words[words.index("(") - 1])
