"""Seeding the database: the schema of an empty file, and seed files of rows (.json) or T-SQL (anything else)."""

import json


def positional(values):
    """Parameter values by name for a statement that uses @P1, @P2, ...; a dict is taken by its own names."""
    if isinstance(values, list):
        return {"P%d" % (i + 1): v for i, v in enumerate(values)}
    return {k.lstrip("@:"): v for k, v in (values or {}).items()}


def load_seed(session, path):
    """A .json seed maps table names to lists of row objects; any other file is a T-SQL batch."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    if path.lower().endswith(".json"):
        for table, rows in json.loads(text).items():
            for row in rows:
                cols = list(row)
                sql = "INSERT INTO %s (%s) VALUES (%s)" % (table, ", ".join(cols),
                                                          ", ".join("@P%d" % (i + 1) for i in range(len(cols))))
                list(session.execute_batch(sql, positional([row[c] for c in cols])))
    else:
        list(session.execute_batch(text))


def ensure_schema(session, path):
    if not session.db.catalog:
        load_seed(session, path)
