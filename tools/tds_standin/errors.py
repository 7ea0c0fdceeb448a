"""SQL Server errors and the mapping of SQLite failures onto the numbers and texts a client would see."""

import re


class ServerError(Exception):
    """An error the server reports with an ERROR token: number, class (severity), state and text."""

    def __init__(self, number, klass, state, text, line=1):
        super().__init__(text)
        self.number, self.klass, self.state, self.text, self.line = number, klass, state, text, line

    @staticmethod
    def syntax(near):
        return ServerError(102, 15, 1, "Incorrect syntax near '%s'." % near)


def _qualified(name):
    return name.split(".")[-1].strip('"[]')


def map_sqlite_error(exc, database, statement_kind, target_table, foreign_keys, last_token):
    """Turn a sqlite3 exception into a ServerError.

    statement_kind is the statement's first word in upper case; target_table the table it writes (or None);
    foreign_keys a callable giving (referenced table, referenced column) pairs of a table; last_token the
    statement's last word, named by a syntax error at its end.
    """
    text = str(exc)
    m = re.match(r"no such table: (\S+)", text)
    if m:
        return ServerError(208, 16, 1, "Invalid object name '%s'." % _qualified(m.group(1)))
    m = re.match(r"no such column: (\S+)", text)
    if m:
        return ServerError(207, 16, 1, "Invalid column name '%s'." % _qualified(m.group(1)))
    m = re.match(r"(?:table \S+ has no column named|.*has no column named) (\S+)", text)
    if m:
        return ServerError(207, 16, 1, "Invalid column name '%s'." % _qualified(m.group(1)))
    m = re.match(r'near "(.*)": syntax error', text, re.DOTALL)
    if m:
        return ServerError.syntax(m.group(1))
    m = re.match(r"no such function: (\S+)", text)
    if m:
        return ServerError(195, 15, 10, "'%s' is not a recognized built-in function name." % m.group(1))
    m = re.match(r"NOT NULL constraint failed: (\S+)\.(\S+)", text)
    if m:
        return ServerError(515, 16, 2, "Cannot insert the value NULL into column '%s', table '%s.dbo.%s'; column "
                           "does not allow nulls. %s fails." % (m.group(2), database, m.group(1), statement_kind))
    m = re.match(r"UNIQUE constraint failed: (\S+?)\.", text)
    if m:
        return ServerError(2627, 14, 1, "Violation of PRIMARY KEY constraint 'PK_%s'. Cannot insert duplicate key "
                           "in object 'dbo.%s'." % (m.group(1), m.group(1)))
    if text.startswith("FOREIGN KEY constraint failed"):
        table = target_table or "?"
        if statement_kind == "DELETE":
            return ServerError(547, 16, 0, 'The DELETE statement conflicted with the REFERENCE constraint '
                               '"FK_%s". The conflict occurred in database "%s", table "dbo.%s".'
                               % (table, database, table))
        refs = foreign_keys(table) if target_table else []
        ref_table, ref_col = refs[0] if refs else ("?", "?")
        return ServerError(547, 16, 0, 'The %s statement conflicted with the FOREIGN KEY constraint "FK_%s_%s". '
                           'The conflict occurred in database "%s", table "dbo.%s", column \'%s\'.'
                           % (statement_kind, table, ref_table, database, ref_table, ref_col))
    m = re.match(r"CHECK constraint failed: (\S+)", text)
    if m:
        return ServerError(547, 16, 0, 'The %s statement conflicted with the CHECK constraint "%s". The conflict '
                           'occurred in database "%s", table "dbo.%s".'
                           % (statement_kind, m.group(1), database, target_table or "?"))
    m = re.search(r"supply a value for binding parameter :(\w+)", text)
    if m:
        return ServerError(137, 15, 2, 'Must declare the scalar variable "@%s".' % m.group(1))
    if "incomplete input" in text:
        return ServerError.syntax(last_token)
    if "database is locked" in text:
        return ServerError(1222, 16, 51, "Lock request time out period exceeded.")
    return ServerError(102, 15, 1, "Incorrect syntax near '%s'." % statement_kind.lower())
