#!/usr/bin/env python3
"""SQL Server stand-in for tests: speaks TDS 7.1 to 7.4 on 127.0.0.1 and runs the statements against SQLite.

Usage: standin.py --db FILE [--port 0] [--port-file F] [--seed FILE ...] [--user U --password P --database D]
                  [--fault KIND[=ARG[,ARG...]] ...] [--control-stdin] [--parent-pid PID] [--log FILE]
                  [--tds-version 7.1|7.2|7.3|7.4] [--nocount] [--host ADDRESS|auto] [--instance NAME]
The first line on standard output is "port N", or "port N host ADDRESS" when --host is given.
"""

import argparse
import base64
import json
import os
import signal
import socket
import sys
import threading
import time
from decimal import Decimal

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

import browser  # noqa: E402
import engine  # noqa: E402
import server  # noqa: E402
import sqlxlate  # noqa: E402
import tds  # noqa: E402
from errors import ServerError  # noqa: E402
from faults import FaultSet  # noqa: E402
from session import Session  # noqa: E402

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
        for line in sys.stdin:
            if line.strip():
                print(json.dumps(self.json_command(json.loads(line)), default=_json_value), flush=True)
        on_eof()

    def json_command(self, msg):
        try:
            op = msg.get("op")
            if op == "exec":
                results = []
                with self.lock:
                    batch = list(self.session.execute_batch(msg["sql"], _params(msg.get("params"))))
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


def _params(params):
    if isinstance(params, list):
        return {"P%d" % (i + 1): v for i, v in enumerate(params)}
    return {k.lstrip("@:"): v for k, v in (params or {}).items()}


def _json_value(value):
    if isinstance(value, Decimal):
        return float(value)
    if isinstance(value, bytes):
        return base64.b64encode(value).decode()
    return str(value)


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
                list(session.execute_batch(sql, _params([row[c] for c in cols])))
    else:
        list(session.execute_batch(text))


def ensure_schema(session, path):
    if not session.db.catalog:
        load_seed(session, path)


def watch_parent(parent_pid, stop):
    original = os.getppid()
    while True:
        time.sleep(0.5)
        if os.getppid() != original:
            stop()
        if parent_pid:
            try:
                os.kill(parent_pid, 0)
            except ProcessLookupError:
                stop()
            except PermissionError:
                pass


def listen_address(args):
    """The address to listen on and, with --instance, the browser service's socket bound there."""
    if args.host == "auto":
        host, sock = browser.bind_free_loopback()
        if not args.instance:
            sock.close()
            sock = None
        return host, sock
    host = args.host or "127.0.0.1"
    return host, browser.bind(host) if args.instance else None


def parse_args(argv):
    p = argparse.ArgumentParser(description="TDS (SQL Server) stand-in over SQLite, for tests")
    p.add_argument("--db", required=True, help="SQLite database file (created when missing)")
    p.add_argument("--port", type=int, default=0, help="TCP port on 127.0.0.1; 0 picks a free one")
    p.add_argument("--port-file", help="write the chosen port to this file")
    p.add_argument("--user", default="kvora")
    p.add_argument("--password", default="kvora")
    p.add_argument("--database", default="KVORA")
    p.add_argument("--schema", default=os.path.join(HERE, "kvora_schema.sql"),
                   help="T-SQL run when the database file has no table yet")
    p.add_argument("--seed", action="append", default=[], help=".sql or .json seed file (repeatable)")
    p.add_argument("--fault", action="append", default=[], help="KIND[=ARG,ARG...], e.g. drop_after=3")
    p.add_argument("--control-stdin", action="store_true", help="read JSON control lines on stdin; EOF stops")
    p.add_argument("--parent-pid", type=int, default=0, help="stop when this process ends")
    p.add_argument("--log", help="log logins, batches and RPC calls to this file")
    p.add_argument("--tds-version", choices=sorted(tds.VERSIONS), default="7.4",
                   help="TDS version of the server; a client asking for a newer one is answered with this one")
    p.add_argument("--nocount", action="store_true", help="SET NOCOUNT ON for every login (a user option)")
    p.add_argument("--host", help="loopback address to listen on (default 127.0.0.1); auto picks a free "
                   "127.x.y.z whose UDP port 1434 is free")
    p.add_argument("--instance", help="answer the browser service (UDP port 1434 of the host) for this "
                   "instance name")
    return p.parse_args(argv)


def main(argv):
    args = parse_args(argv)
    log_file = open(args.log, "a", encoding="utf-8", buffering=1) if args.log else None
    log_lock = threading.Lock()

    def log(text):
        if log_file:
            with log_lock:
                log_file.write("%s %s\n" % (time.strftime("%H:%M:%S"), text))

    db = engine.Database(args.db, args.database)
    admin = Session(db)
    ensure_schema(admin, args.schema)
    for seed in args.seed:
        load_seed(admin, seed)
    faults = FaultSet()
    for spec in args.fault:
        kind, _, rest = spec.partition("=")
        faults.set(kind, *([a for a in rest.split(",")] if rest else []))
    control = Control(admin, faults)
    config = server.Config(args.user, args.password, args.database, log,
                           tds.VERSIONS[args.tds_version], args.nocount)

    host, browser_sock = listen_address(args)
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((host, args.port))
    listener.listen(16)
    port = listener.getsockname()[1]

    def stop(*_):
        os._exit(0)  # SQLite keeps every committed transaction; open ones end rolled back

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    if args.port_file:
        tmp = args.port_file + ".tmp"
        with open(tmp, "w") as f:
            f.write("%d\n" % port)
        os.replace(tmp, args.port_file)
    print("port %d" % port + (" host %s" % host if args.host else ""), flush=True)
    if browser_sock:
        version = "%d.%d.%d.0" % tds.PRODUCT_VERSIONS[config.tds_version]
        description = browser.describe(server.SERVER_NAME, args.instance, version, port)
        threading.Thread(target=browser.serve, args=(browser_sock, args.instance, description, log),
                         daemon=True).start()
    threading.Thread(target=watch_parent, args=(args.parent_pid, stop), daemon=True).start()
    if args.control_stdin:
        threading.Thread(target=control.serve_stdin, args=(stop,), daemon=True).start()
    # SIGTERM may reach another thread: only the main thread runs the handler, so it must never block for long.
    listener.settimeout(0.5)
    while True:
        try:
            sock, _ = listener.accept()
        except TimeoutError:
            continue
        sock.settimeout(None)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        conn = server.Connection(sock, config, db, faults, control)
        threading.Thread(target=conn.serve, daemon=True).start()


if __name__ == "__main__":
    main(sys.argv[1:])
