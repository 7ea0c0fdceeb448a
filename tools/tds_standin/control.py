"""The control channel: `exec standin_fault 'kind', args...` / `exec standin_seed 'file'` from any client, and
JSON lines (exec, fault, seed, ping, crash) on standard input or on one loopback TCP connection."""

import base64
import json
import os
import sys
import threading
from decimal import Decimal

from . import sqlxlate
from .errors import ServerError
from .seeding import load_seed, positional

CONTROL_PROCS = ("standin_fault", "standin_seed")


class Control:
    """Control commands: `exec standin_fault 'kind', args...` from any client, and JSON lines on stdin."""

    def __init__(self, session, faults):
        self.session, self.faults = session, faults
        self.lock = threading.Lock()  # the session serves the control pipe and client control statements

    @staticmethod
    def is_control(tokens):
        return len(tokens) > 1 and tokens[0].low() in ("exec", "execute") and tokens[1].low() in CONTROL_PROCS

    def is_control_text(self, text):
        try:
            return any(self.is_control(t) for t in sqlxlate.split_statements(sqlxlate.tokenize(text)))
        except ServerError:
            return False

    def run(self, tokens):
        """Carry out one control statement; a malformed one raises ServerError."""
        self.command(tokens[1].low(), [_literal(t) for t in tokens[2:] if t.text != ","])

    def command(self, proc, args):
        if proc == "standin_fault":
            if not args:
                raise ServerError(50000, 16, 1, "standin_fault needs a kind")
            self.faults.set(str(args[0]), *args[1:])
        else:
            with self.lock:
                for path in args:
                    load_seed(self.session, str(path))

    def serve_stdin(self, on_eof):
        self.serve_lines(sys.stdin, lambda text: print(text, flush=True), on_eof)

    def serve_lines(self, lines, write, on_eof):
        """Answers each JSON line with one; the end of the lines calls on_eof."""
        for line in lines:
            if line.strip():
                write(json.dumps(self.json_command(json.loads(line)), default=_json_value))
        on_eof()

    def json_command(self, msg):
        try:
            op = msg.get("op")
            if op == "exec":
                results = []
                with self.lock:
                    batch = list(self.session.execute_batch(msg["sql"], positional(msg.get("params"))))
                for r in batch:
                    names = [c.name for c in r.columns] if r.columns is not None else None
                    results.append({"columns": names, "rows": [list(row) for row in r.rows],
                                    "rowcount": r.rowcount})
                return {"ok": True, "results": results}
            if op == "fault":
                self.faults.set(msg["kind"], *msg.get("args", []))
                return {"ok": True, "faults": self.faults.describe()}
            if op == "seed":
                with self.lock:
                    load_seed(self.session, msg["file"])
                return {"ok": True}
            if op == "ping":
                return {"ok": True}
            if op == "crash":
                os._exit(1)  # as a killed server: connections end unanswered
            return {"ok": False, "number": 50000, "message": "unknown op %r" % op}
        except ServerError as err:
            return {"ok": False, "number": err.number, "message": err.text}
        except Exception as exc:  # the control channel must survive anything a test sends
            return {"ok": False, "number": 50000, "message": "%s: %s" % (type(exc).__name__, exc)}


def _literal(tok):
    if tok.kind == "string":
        text = tok.text[1:] if tok.text[0] in "Nn" else tok.text
        return text[1:-1].replace("''", "'")
    if tok.kind == "number":
        return float(tok.text) if "." in tok.text else int(tok.text)
    return tok.text


def _json_value(value):
    if isinstance(value, Decimal):
        return float(value)
    if isinstance(value, bytes):
        return base64.b64encode(value).decode()
    return str(value)
