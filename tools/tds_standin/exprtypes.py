"""SQL Server types of select-list items that the statement's text decides: literals, CAST, GETDATE() and
column references (under any alias).

A string literal is varchar(n) (N'' nvarchar(n)), n its length; a number with a point is numeric(p, s), p its
digits without leading zeros and s those after the point; an integer is int, or numeric(p, 0) when it does not
fit; a number with an exponent is float.
"""

from . import sqlxlate

_LIST_ENDS = {"from", "where", "group", "order", "having", "union", "into", "except", "intersect"}


def select_item_types(tokens, column_type):
    """Declared type of each item of the statement's outer select list (text such as 'varchar(3)'), or None.
    column_type(name) gives the declared type of a column the statement can name, or None."""
    return [item_type(_without_alias(item), column_type) for item in _select_items(tokens)]


def _select_items(tokens):
    start = next((i for i, t in enumerate(tokens) if t.low() == "select"), None)
    if start is None:
        return []
    i = start + 1
    if i < len(tokens) and tokens[i].low() in ("distinct", "all"):
        i += 1
    if i < len(tokens) and tokens[i].low() == "top":
        i += 2 if i + 1 < len(tokens) and tokens[i + 1].text != "(" else 0
        if i < len(tokens) and tokens[i].text == "(":
            i = sqlxlate._matching(tokens, i) + 1
    items, current, depth = [], [], 0
    for t in tokens[i:]:
        if t.text == "(":
            depth += 1
        elif t.text == ")":
            depth -= 1
        if depth == 0 and (t.text == "," or t.low() in _LIST_ENDS):
            items.append(current)
            current = []
            if t.text != ",":
                return items
            continue
        current.append(t)
    return items + [current]


def _without_alias(item):
    if len(item) >= 3 and item[-2].low() == "as":
        return item[:-2]
    if len(item) >= 2 and item[-1].kind in ("ident", "string") and item[-2].text != "." and (
            item[-2].kind in ("string", "number") or item[-2].text == ")"):
        return item[:-1]
    return item


def item_type(item, column_type):
    if item and item[-1].kind == "ident" and all(t.kind == "ident" or t.text == "." for t in item) and (
            len(item) == 1 or item[-2].text == "."):
        return column_type(item[-1].text)
    return literal_type(item)


def literal_type(item):
    if len(item) == 2 and item[0].text in ("-", "+") and item[1].kind == "number":
        item = item[1:]
    if len(item) == 1 and item[0].kind == "string":
        text = item[0].text
        wide = text[0] in "Nn"
        length = len(text[1 + wide:-1].replace("''", "'"))
        return "%s(%d)" % ("nvarchar" if wide else "varchar", max(length, 1))
    if len(item) == 1 and item[0].kind == "number":
        return _number_type(item[0].text)
    if len(item) >= 4 and item[0].low() == "cast" and item[1].text == "(" and item[-1].text == ")" and \
            sqlxlate._matching(item, 1) == len(item) - 1:
        as_index = sqlxlate._cast_target(item, 1, len(item) - 1)
        return "".join(t.text for t in item[as_index + 1:-1]) if as_index else None
    if [t.low() for t in item] == ["getdate", "(", ")"]:
        return "datetime"
    return None


def _number_type(text):
    if "e" in text.lower():
        return "float"
    whole, point, fraction = text.partition(".")
    if not point:
        return "int" if int(whole) < 2 ** 31 else "numeric(%d,0)" % len(whole.lstrip("0"))
    digits = len(whole.lstrip("0")) + len(fraction)
    return "numeric(%d,%d)" % (max(digits, len(fraction), 1), len(fraction))
