"""SQL Server errors and the mapping of SQLite failures onto the numbers and texts a client would see."""

import re


# Reserved keywords of T-SQL: a syntax error next to one of them names "the keyword".
RESERVED = set("""
add all alter and any as asc authorization backup begin between break browse bulk by cascade case check checkpoint
close clustered coalesce collate column commit compute constraint contains containstable continue convert create
cross current current_date current_time current_timestamp current_user cursor database dbcc deallocate declare
default delete deny desc disk distinct distributed double drop dump else end errlvl escape except exec execute exists
exit external fetch file fillfactor for foreign freetext freetexttable from full function goto grant group having
holdlock identity identity_insert identitycol if in index inner insert intersect into is join key kill left like
lineno load merge national nocheck nonclustered not null nullif of off offsets on open opendatasource openquery
openrowset openxml option or order outer over percent pivot plan precision primary print proc procedure public
raiserror read readtext reconfigure references replication restore restrict return revert revoke right rollback
rowcount rowguidcol rule save schema securityaudit select semantickeyphrasetable semanticsimilaritydetailstable
semanticsimilaritytable session_user set setuser shutdown some statistics system_user table tablesample textsize
then to top tran transaction trigger truncate try_convert tsequal union unique unpivot update updatetext use user
values varying view waitfor when where while with within writetext
""".split())

# Errors that end only their statement; the batch goes on with the next one (any other error ends the batch).
STATEMENT_ERRORS = {515, 547, 1222, 2601, 2627, 2812, 3902, 3903, 8115, 8152}


class ServerError(Exception):
    """An error the server reports with an ERROR token: number, class (severity), state and text."""

    def __init__(self, number, klass, state, text, line=1):
        super().__init__(text)
        self.number, self.klass, self.state, self.text, self.line = number, klass, state, text, line

    @property
    def ends_batch(self):
        return self.number not in STATEMENT_ERRORS

    @staticmethod
    def syntax(near):
        if near.lower() in RESERVED:
            return ServerError(156, 15, 1, "Incorrect syntax near the keyword '%s'." % near)
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
