"""Translation of the T-SQL dialect the clients send into SQLite, by general token rules.

Each rule works on the token stream, never on a whole statement's text: TOP n, CROSS APPLY of a one-column
derived table, xml .value() calls, CAST(... AS xml), N'' literals, a few built-in function names, @@ variables,
and collation clauses for character columns in CREATE TABLE.
"""

import re

from .errors import ServerError

TOKEN_RE = re.compile(r"""
    (?P<ws>\s+)
  | (?P<comment>--[^\n]*|/\*.*?\*/)
  | (?P<string>[Nn]?'(?:[^']|'')*')
  | (?P<ident>\[[^\]]*\]|"(?:[^"]|"")*"|[A-Za-z_#][\w$#]*)
  | (?P<var>@@?\w+|\?)
  | (?P<number>\d+(?:\.\d*)?(?:[eE][-+]?\d+)?|\.\d+)
  | (?P<op><>|!=|<=|>=|!<|!>|\|\||[-+*/%=<>(),.;~&|^])
""", re.VERBOSE | re.DOTALL)

CHAR_TYPES = {"varchar", "nvarchar", "char", "nchar", "text", "ntext"}
FUNCTION_NAMES = {"isnull": "ifnull", "len": "standin_len", "getdate": "standin_now", "sysdatetime": "standin_now"}
GLOBALS = {"@@version": "'Microsoft SQL Server 2016 (stand-in)'", "@@spid": "51",
           "@@servername": "'STANDIN'", "@@language": "'us_english'"}
STATEMENT_STARTS = {"if", "begin", "commit", "rollback"}
COLLATION = "SQLSRV_CI_AS"
KEYWORDS = {"and", "or", "not", "where", "on", "select", "when", "then", "else", "in", "exists", "case", "from",
            "set", "values", "by", "having", "is", "like", "between", "return", "as", "distinct", "top"}


class Tok:
    __slots__ = ("kind", "text")

    def __init__(self, kind, text):
        self.kind, self.text = kind, text

    def low(self):
        return self.text.lower()

    def __repr__(self):
        return "%s:%s" % (self.kind, self.text)


_COLLATE = [Tok("ident", "COLLATE"), Tok("ident", COLLATION)]


def tokenize(sql):
    tokens, pos = [], 0
    while pos < len(sql):
        m = TOKEN_RE.match(sql, pos)
        if not m:
            raise ServerError.syntax(sql[pos:pos + 1])
        kind = m.lastgroup
        if kind != "comment":
            tokens.append(Tok(kind, m.group()))
        pos = m.end()
    return [t for t in tokens if t.kind != "ws"]


def render(tokens):
    out = []
    for t in tokens:
        if out and not (t.text in (")", ",", ".", ";") or out[-1] in ("(", ".")):
            out.append(" ")
        out.append(t.text)
    return "".join(out)


def split_statements(tokens):
    """Split a batch at ';' outside parentheses, and before the words that always start a statement (IF, the
    transaction statements and a SET after a SET, which clients send without ';'); empty statements vanish."""
    statements, current, depth = [], [], 0
    for t in tokens:
        if t.text == "(":
            depth += 1
        elif t.text == ")":
            depth -= 1
        # SET options come one after another without ';' (SET inside UPDATE is no statement of its own).
        starts = t.low() in STATEMENT_STARTS or (t.low() == "set" and current and current[0].low() == "set")
        if depth == 0 and t.kind == "ident" and starts and current:
            statements.append(current)
            current = []
        if t.text == ";" and depth == 0:
            if current:
                statements.append(current)
            current = []
        else:
            current.append(t)
    if current:
        statements.append(current)
    return statements


def _matching(tokens, open_index):
    depth = 0
    for i in range(open_index, len(tokens)):
        if tokens[i].text == "(":
            depth += 1
        elif tokens[i].text == ")":
            depth -= 1
            if depth == 0:
                return i
    raise ServerError.syntax("(")


def _scope_end(tokens, start):
    """Index just past the query that starts at `start`: the closing parenthesis of its level, or the end."""
    depth = 0
    for i in range(start, len(tokens)):
        if tokens[i].text == "(":
            depth += 1
        elif tokens[i].text == ")":
            if depth == 0:
                return i
            depth -= 1
    return len(tokens)


def rewrite_top(tokens):
    out = list(tokens)
    i = 0
    while i < len(out):
        if out[i].low() == "select":
            j = i + 1
            if j < len(out) and out[j].low() in ("distinct", "all"):
                j += 1
            if j < len(out) and out[j].low() == "top":
                if j + 1 < len(out) and out[j + 1].text == "(":
                    close = _matching(out, j + 1)
                    count = out[j + 2:close]
                else:
                    close = j + 1
                    count = out[j + 1:j + 2]
                if not count or any(t.kind not in ("number", "var") for t in count):
                    raise ServerError.syntax("top")
                del out[j:close + 1]
                end = _scope_end(out, j)
                out[end:end] = [Tok("ident", "LIMIT")] + count
        i += 1
    return out


def rewrite_cross_apply(tokens):
    """CROSS APPLY (SELECT expr) [AS] T(C): drop the clause and make T.C stand for expr."""
    out = list(tokens)
    aliases = {}
    i = 0
    while i < len(out) - 1:
        if out[i].low() == "cross" and out[i + 1].low() == "apply":
            if i + 2 >= len(out) or out[i + 2].text != "(" or i + 3 >= len(out) or out[i + 3].low() != "select":
                raise ServerError.syntax("apply")
            close = _matching(out, i + 2)
            expr = out[i + 4:close]
            if not expr or any(t.low() in ("from", "where") for t in expr):
                raise ServerError.syntax(out[close].text)
            k = close + 1
            if k < len(out) and out[k].low() == "as":
                k += 1
            if k + 4 >= len(out) or out[k].kind != "ident" or out[k + 1].text != "(" or out[k + 3].text != ")":
                raise ServerError.syntax(out[min(k, len(out) - 1)].text)
            aliases[(_bare(out[k].text), _bare(out[k + 2].text))] = [Tok("op", "(")] + expr + [Tok("op", ")")]
            del out[i:k + 4]
            continue
        i += 1
    if not aliases:
        return out
    result, i = [], 0
    while i < len(out):
        if (i + 2 < len(out) and out[i].kind == "ident" and out[i + 1].text == "."
                and (_bare(out[i].text), _bare(out[i + 2].text)) in aliases):
            result.extend(aliases[(_bare(out[i].text), _bare(out[i + 2].text))])
            i += 3
            continue
        result.append(out[i])
        i += 1
    return result


def _bare(name):
    if name[:1] in ("[", '"'):
        name = name[1:-1]
    return name.lower()


def _expression_start(tokens, end):
    """Start index of the operand that ends just before `end` (a parenthesised group or a name chain)."""
    i = end - 1
    if tokens[i].text == ")":
        depth = 0
        while i >= 0:
            if tokens[i].text == ")":
                depth += 1
            elif tokens[i].text == "(":
                depth -= 1
                if depth == 0:
                    break
            i -= 1
        if i > 0 and tokens[i - 1].kind == "ident" and tokens[i - 1].low() not in KEYWORDS:
            i -= 1
    while i >= 2 and tokens[i - 1].text == "." and tokens[i - 2].kind == "ident":
        i -= 2
    return i


def _cast_target(tokens, open_index, close):
    """Index of the AS of CAST( operand AS type ), or None."""
    depth, found = 0, None
    for i in range(open_index + 1, close):
        if tokens[i].text == "(":
            depth += 1
        elif tokens[i].text == ")":
            depth -= 1
        elif depth == 0 and tokens[i].low() == "as":
            found = i
    return found


def rewrite_cast(tokens, is_unicode):
    """CAST(x AS xml | datetime | numeric(p, s)) -> the server's checked conversions. is_unicode(operand tokens)
    tells whether an operand is Unicode text, which decides the encodings an XML declaration may name."""
    out = list(tokens)
    i = 0
    while i < len(out):
        if out[i].low() == "cast" and i + 1 < len(out) and out[i + 1].text == "(":
            close = _matching(out, i + 1)
            as_index = _cast_target(out, i + 1, close)
            target = [t.low() for t in out[as_index + 1:close]] if as_index else []
            operand = out[i + 2:as_index] if as_index else []
            call = None
            if target == ["xml"]:
                call = ("standin_xml", operand + [Tok("op", ","), Tok("number", "1" if is_unicode(operand) else "0")])
            elif target and target[0] in ("datetime", "smalldatetime") and len(target) == 1:
                call = ("standin_datetime", operand)
            elif target and target[0] in ("numeric", "decimal"):
                numbers = [t for t in target[1:] if t not in ("(", ")", ",")]
                precision, scale = (numbers + ["18", "0"])[0], (numbers[1:] + ["0"])[0]
                call = ("standin_numeric", operand + [Tok("op", ","), Tok("number", precision), Tok("op", ","),
                                                      Tok("number", scale)])
            if call:
                out[i:close + 1] = [Tok("ident", call[0]), Tok("op", "(")] + call[1] + [Tok("op", ")")]
        i += 1
    return out


def rewrite_xml(tokens):
    """operand.value('path', 'type') -> standin_xml_value(operand, ...), and .exist(...) alike."""
    out = list(tokens)
    i = 0
    while i < len(out):
        t = out[i]
        if (t.text == "." and i + 2 < len(out) and out[i + 1].low() in ("value", "exist")
              and out[i + 2].text == "(" and i > 0):
            start = _expression_start(out, i)
            operand = out[start:i]
            method = "standin_xml_" + out[i + 1].low()
            out[start:i + 3] = [Tok("ident", method), Tok("op", "(")] + operand + [Tok("op", ",")]
            i = start
        i += 1
    return out


def rewrite_simple(tokens, session_globals):
    known = dict(GLOBALS, **session_globals)
    out = []
    for i, t in enumerate(tokens):
        nxt = tokens[i + 1].text if i + 1 < len(tokens) else ""
        if t.kind == "string":
            # The database collation applies to literals and parameters too, not only to columns.
            out += [Tok("string", t.text[1:] if t.text[0] in "Nn" else t.text)] + _COLLATE
        elif t.kind == "ident" and nxt == "(" and t.low() in FUNCTION_NAMES:
            out.append(Tok("ident", FUNCTION_NAMES[t.low()]))
        elif t.kind == "var" and t.text.startswith("@@"):
            if t.low() not in known:
                raise ServerError(137, 15, 2, 'Must declare the scalar variable "%s".' % t.text)
            out.append(Tok("number", known[t.low()]))
        elif t.kind == "var" and t.text.startswith("@"):
            out += [Tok("var", ":" + t.text[1:])] + _COLLATE
        else:
            out.append(t)
    return out


def rewrite_create_table(tokens):
    """Give character columns the server collation and map (max) sizes to plain text types."""
    out, i = [], 0
    while i < len(tokens):
        t = tokens[i]
        out.append(t)
        if t.kind == "ident" and t.low() in CHAR_TYPES and i > 0 and tokens[i - 1].kind == "ident":
            j = i + 1
            if j < len(tokens) and tokens[j].text == "(":
                j = _matching(tokens, j) + 1
                # SQLite type names take numbers only; -1 stands for max and reads back as such.
                out.extend(Tok("number", "-1") if x.low() == "max" else x for x in tokens[i + 1:j])
            if j >= len(tokens) or tokens[j].low() != "collate":
                out += [Tok("ident", "COLLATE"), Tok("ident", COLLATION)]
            i = j
            continue
        i += 1
    return out


def translate(tokens, session_globals=None, is_unicode=lambda operand: True):
    """Translate one statement's tokens; return SQLite text. session_globals: values of @@ variables that
    belong to the connection, such as @@trancount; is_unicode: see rewrite_cast."""
    first = tokens[0].low()
    if first == "create" and len(tokens) > 1 and tokens[1].low() == "table":
        return render(rewrite_create_table(tokens))
    tokens = rewrite_top(tokens)
    tokens = rewrite_cross_apply(tokens)
    tokens = rewrite_cast(tokens, is_unicode)
    tokens = rewrite_xml(tokens)
    tokens = rewrite_simple(tokens, session_globals or {})
    return render(tokens)
