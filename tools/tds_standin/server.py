"""The server: its settings, the listening socket and the accept loop that gives every client a thread."""

import socket
import threading

from . import tds
from .connection import Connection


class Config:
    """Server-wide settings: the one login, its database, the TDS version spoken and the user options."""

    def __init__(self, user, password, database, log, tds_version=tds.TDS74, nocount=False):
        self.user, self.password, self.database, self.log = user, password, database, log
        self.tds_version, self.nocount = tds_version, nocount


def listen(host, port):
    """A listening TCP socket on host:port (port 0 picks a free one). A restarted server takes its port back at
    once: connections of the previous one may still linger on it."""
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((host, port))
    listener.listen(16)
    return listener


def serve_forever(listener, config, db, faults, control):
    """Accepts clients until the process ends, each served on a thread of its own."""
    # SIGTERM may reach another thread: only the main thread runs the handler, so it must never block for long.
    listener.settimeout(0.5)
    while True:
        try:
            sock, _ = listener.accept()
        except TimeoutError:
            continue
        sock.settimeout(None)
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        conn = Connection(sock, config, db, faults, control)
        threading.Thread(target=conn.serve, daemon=True).start()
