"""SQL Server stand-in for tests: speaks TDS 7.1 to 7.4 on 127.0.0.1 and runs the statements against SQLite.

Usage: python3 -m tds_standin --db FILE [--port 0] [--port-file F] [--seed FILE ...] [--user U --password P
                  --database D] [--fault KIND[=ARG[,ARG...]] ...] [--control-stdin | --control-port-file F] [--parent-pid PID]
                  [--log FILE]
                  [--tds-version 7.1|7.2|7.3|7.4] [--nocount] [--host ADDRESS|auto] [--instance NAME]
The first line on standard output is "port N", or "port N host ADDRESS" when --host is given.
"""

import argparse
import os
import signal
import socket
import sys
import threading
import time

from . import browser
from . import engine
from . import server
from . import tds
from .connection import SERVER_NAME
from .control import Control
from .faults import FaultSet
from .seeding import ensure_schema, load_seed
from .session import Session

HERE = os.path.dirname(os.path.abspath(__file__))


def watch_parent(original, parent_pid, stop):
    """Stops the server once its parent process is no longer `original` or `parent_pid` has ended."""
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


def serve_control_connection(control, port_file, started, stop):
    """Accepts one control connection on loopback (its port written to port_file), sends the start-up line on it and
    serves its JSON lines; stops the server when it ends, or when nobody connects within a minute."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    listener.settimeout(60)
    tmp = port_file + ".tmp"
    with open(tmp, "w") as f:
        f.write("%d\n" % listener.getsockname()[1])
    os.replace(tmp, port_file)
    try:
        connection, _ = listener.accept()
    except OSError:
        stop()
    listener.close()
    connection.settimeout(None)
    with connection, connection.makefile("r", encoding="utf-8", newline="\n") as lines:
        def write(text):
            connection.sendall((text + "\n").encode("utf-8"))
        write(started)
        control.serve_lines(lines, write, stop)


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
    p.add_argument("--control-port-file", help="serve the control lines on one loopback TCP connection instead, "
                   "whose port is written to this file; the start-up line is the first line sent on it; its end "
                   "stops the server (for a parent whose pipes cannot reach this process)")
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
    # Taken first: a parent that ends while the database is being prepared must still stop the server.
    original_parent = os.getppid()
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
    listener = server.listen(host, args.port)
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
    started = "port %d" % port + (" host %s" % host if args.host else "")
    print(started, flush=True)
    if browser_sock:
        version = "%d.%d.%d.0" % tds.PRODUCT_VERSIONS[config.tds_version]
        description = browser.describe(SERVER_NAME, args.instance, version, port)
        threading.Thread(target=browser.serve, args=(browser_sock, args.instance, description, log),
                         daemon=True).start()
    threading.Thread(target=watch_parent, args=(original_parent, args.parent_pid, stop), daemon=True).start()
    if args.control_stdin:
        threading.Thread(target=control.serve_stdin, args=(stop,), daemon=True).start()
    if args.control_port_file:
        threading.Thread(target=serve_control_connection, args=(control, args.control_port_file, started, stop),
                         daemon=True).start()
    server.serve_forever(listener, config, db, faults, control)


if __name__ == "__main__":
    main(sys.argv[1:])
