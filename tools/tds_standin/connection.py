"""One client connection: PRELOGIN, LOGIN7, SQL batches, RPC calls and attention."""

import select
import socket
import struct
from decimal import Decimal

from . import rpc
from . import tds
from .session import Params, Session
from .errors import ServerError
from .faults import Fate

SERVER_NAME = "STANDIN"
CURCMD = {"SELECT": 0xC1, "WITH": 0xC1, "INSERT": 0xC3, "DELETE": 0xC4, "UPDATE": 0xC5}


class Dropped(Exception):
    """The connection ends without a reply (a fault, or the client went away)."""


class Connection:
    def __init__(self, sock, config, db, faults, control):
        self.sock, self.config, self.db, self.faults, self.control = sock, config, db, faults, control
        self.packet_size = 4096
        self.handles = {}
        self.next_handle = 1
        self.pending = b""
        self.version = config.tds_version  # until the login settles what both sides speak
        self.session = Session(db, config.nocount)

    def log(self, fmt, *args):
        self.config.log("[%d] " % self.sock.fileno() + (fmt % args if args else fmt))

    # ------------------------------------------------------------ transport

    def _recv_exact(self, n):
        data = bytearray()
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise Dropped("client closed")
            data += chunk
        return bytes(data)

    def read_message(self):
        payload, ptype = bytearray(), None
        while True:
            ptype, status, length = struct.unpack(">BBH", self._recv_exact(8)[:4])
            if length < 8:
                raise tds.ProtocolError("bad packet length")
            payload += self._recv_exact(length - 8)
            if status & tds.STATUS_EOM:
                return ptype, bytes(payload)

    def send(self, payload):
        self.sock.sendall(tds.packets(tds.PKT_REPLY, payload, self.packet_size))

    def attention_waiting(self, timeout):
        readable, _, _ = select.select([self.sock], [], [], timeout)
        if not readable:
            return False
        ptype, _ = self.read_message()
        if ptype != tds.PKT_ATTENTION:
            raise tds.ProtocolError("request while a request is running")
        return True

    # ------------------------------------------------------------ session

    def serve(self):
        try:
            while True:
                ptype, payload = self.read_message()
                if ptype == tds.PKT_PRELOGIN:
                    self.log("PRELOGIN")
                    self.send(tds.prelogin_reply(self.config.tds_version))
                elif ptype == tds.PKT_LOGIN7:
                    if not self.login(payload):
                        return
                elif ptype == tds.PKT_SQL_BATCH:
                    self.request(rpc.parse_batch(payload, self.version), None)
                elif ptype == tds.PKT_RPC:
                    self.request(None, rpc.parse_rpc(payload, self.version))
                elif ptype == tds.PKT_TRANSACTION:
                    self.transaction(*rpc.parse_transaction(payload))
                elif ptype == tds.PKT_ATTENTION:
                    self.log("attention")
                    self.send(self.done(status=tds.DONE_ATTN))
                else:
                    raise tds.ProtocolError("unexpected packet type %d" % ptype)
        except (Dropped, ConnectionError, OSError) as exc:
            self.log("closed: %s", exc)
        except tds.ProtocolError as exc:
            self.log("protocol error: %s", exc)
        finally:
            self.session.close()
            try:
                self.sock.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            self.sock.close()

    def login(self, payload):
        fields = tds.parse_login7(payload)
        shown = {k: v for k, v in fields.items() if k != "password"}
        self.log("LOGIN7 tds=%#x %s", fields["tds_version"], shown)
        self.version = min(fields["tds_version"], self.config.tds_version)
        self.packet_size = max(512, min(fields["packet_size"] or 4096, 32767))
        cfg = self.config
        user_ok = fields["user"] == cfg.user and fields["password"] == cfg.password
        if self.faults.refuse_login or not user_ok:
            self.send(self.error_token(ServerError(18456, 14, 1, "Login failed for user '%s'." % fields["user"]))
                      + self.done(status=tds.DONE_ERROR))
            return False
        database = fields["database"] or cfg.database
        if database.lower() != cfg.database.lower():
            self.send(self.error_token(ServerError(4060, 11, 1, 'Cannot open database "%s" requested by the login. '
                                                   'The login failed.' % database))
                      + self.error_token(ServerError(18456, 14, 1, "Login failed for user '%s'." % fields["user"]))
                      + self.done(status=tds.DONE_ERROR))
            return False
        out = (tds.envchange_text(1, cfg.database, "master")
               + tds.message(tds.TOK_INFO, 5701, 2, 0, "Changed database context to '%s'." % cfg.database,
                             SERVER_NAME, version=self.version)
               + tds.envchange_collation()
               + tds.envchange_text(2, "us_english")
               + tds.message(tds.TOK_INFO, 5703, 1, 0, "Changed language setting to us_english.", SERVER_NAME,
                             version=self.version)
               + tds.loginack(self.version, self.config.tds_version)
               + tds.envchange_text(4, str(self.packet_size), str(self.packet_size)))
        self.send(out + self.done())
        return True

    def done(self, token=tds.TOK_DONE, status=tds.DONE_FINAL, curcmd=0, count=0):
        return tds.done(token, status, curcmd, count, self.version)

    def error_token(self, err):
        return tds.message(tds.TOK_ERROR, err.number, err.state, err.klass, err.text, SERVER_NAME, "", err.line,
                           self.version)

    # ------------------------------------------------------------ requests

    def transaction(self, kind, begin_new):
        self.log("TRANSACTION %s%s", {tds.TM_BEGIN_XACT: "begin", tds.TM_COMMIT_XACT: "commit",
                                      tds.TM_ROLLBACK_XACT: "rollback"}[kind], " and begin" if begin_new else "")
        try:
            if kind == tds.TM_BEGIN_XACT:
                self.session.begin()
            elif kind == tds.TM_COMMIT_XACT:
                self.session.commit()
            else:
                self.session.rollback()
            if begin_new:
                self.session.begin()
        except ServerError as err:
            self.log("error %d: %s", err.number, err.text)
            self.send(self.envchanges() + self.error_token(err) + self.done(status=tds.DONE_ERROR))
            return
        self.send(self.envchanges() + self.done())

    def envchanges(self):
        """ENVCHANGE tokens for the transactions the session started or ended since the last call."""
        events, self.session.events = self.session.events, []
        if self.version < tds.TDS72:
            return b""
        return b"".join(tds.envchange_transaction(kind, descriptor) for kind, descriptor in events)

    def request(self, batch, call):
        if batch is not None:
            self.log("BATCH %r", batch)
            text = batch
        else:
            self.log("RPC %s %r", call[0], call[1])
            text = self._rpc_statement(call)
        housekeeping = batch is None and call[0] in ("sp_unprepare", "sp_prepare")
        if housekeeping or self.control.is_control_text(text or ""):
            fate = Fate()
        else:
            fate = self.faults.on_statement(text or "")
        if fate.drop:
            raise Dropped("fault: drop")
        if fate.delay and self.attention_waiting(fate.delay):
            # Every message gets its own reply: the cancelled request's, cut short to nothing, then the
            # attention's acknowledgement.
            self.log("attention during delay")
            self.send(self.done())
            self.send(self.done(status=tds.DONE_ATTN))
            return
        if batch is not None:
            out = self.run(batch, {}, tds.TOK_DONE, fate.error)
        else:
            out = self.run_rpc(call, fate.error)
        if fate.drop_after_run:
            raise Dropped("fault: drop after run")
        self.send(out)

    def _rpc_statement(self, call):
        proc, params = call
        named = {p.name.lower(): p.value for p in params}
        if proc in ("sp_executesql", "sp_prepexec", "sp_prepare"):
            return named.get("@stmt", params[2].value if proc != "sp_executesql" else params[0].value) or ""
        if proc == "sp_execute" and params:
            return self.handles.get(params[0].value, ("", ""))[0]
        return proc

    def run(self, sql, values, done_token, forced=None):
        """Tokens for a batch or statement run; every DONE but the last carries the MORE bit."""
        parts = []  # (tokens before the DONE, status, current command, row count)
        try:
            if forced is not None:
                raise forced
            for result, kind, err in self.session.run_batch(sql, values, self.control):
                out = self.envchanges()
                if err is not None:
                    self.log("error %d: %s", err.number, err.text)
                    parts.append((out + self.error_token(err), tds.DONE_ERROR, CURCMD.get(kind, 0), 0))
                    continue
                if result.columns is not None:
                    out += tds.colmetadata(result.columns, self.version)
                    out += b"".join(tds.row(result.columns, r, self.version) for r in result.rows)
                counted = result.rowcount >= 0 and not self.session.nocount
                parts.append((out, tds.DONE_COUNT if counted else 0, CURCMD.get(kind, 0), max(result.rowcount, 0)))
        except Exception as exc:  # a fault of the stand-in itself still answers the client, never silently
            err = exc if isinstance(exc, ServerError) else ServerError(
                50000, 16, 1, "Stand-in internal error: %s: %s" % (type(exc).__name__, exc))
            self.log("error %d: %s", err.number, err.text)
            parts.append((self.envchanges() + self.error_token(err), tds.DONE_ERROR, 0, 0))
        if not parts:
            parts.append((b"", 0, 0, 0))
        last = len(parts) - 1
        return b"".join(out + self.done(done_token, status | (tds.DONE_MORE if i < last or done_token != tds.TOK_DONE
                                                              else 0), curcmd, count)
                        for i, (out, status, curcmd, count) in enumerate(parts))

    def run_rpc(self, call, forced):
        proc, params = call
        body, handle_out = b"", None
        if proc in ("sp_executesql", "sp_prepexec", "sp_prepare", "sp_execute", "sp_unprepare"):
            named = params
            if proc == "sp_executesql":
                stmt, decl, values = named[0].value, named[1].value if len(named) > 1 else "", named[2:]
            elif proc in ("sp_prepexec", "sp_prepare"):
                decl, stmt, values = named[1].value, named[2].value, named[3:]
                handle_out = self.next_handle
                self.handles[handle_out] = (stmt, decl)
                self.next_handle += 1
            elif proc == "sp_execute":
                if named[0].value not in self.handles:
                    forced = forced or ServerError(8179, 16, 2, "Could not find prepared statement with handle %s."
                                                   % named[0].value)
                stmt, decl = self.handles.get(named[0].value, ("", ""))
                values = named[1:]
            else:
                self.handles.pop(named[0].value if named else None, None)
                stmt, decl, values = None, "", []
            if stmt is not None and proc != "sp_prepare":
                body += self.run(stmt or "", bind_values(decl or "", values), tds.TOK_DONEINPROC, forced)
        else:
            body += self.error_token(ServerError(2812, 16, 62, "Could not find stored procedure '%s'." % proc))
        body += tds.returnstatus(0)
        if handle_out is not None:
            body += tds.returnvalue(0, params[0].name, tds.Column("", tds.T_INTN, 4), handle_out, self.version)
        return body + self.done(tds.TOK_DONEPROC)


def bind_values(declaration, params):
    """Map parameter values to SQLite names: by their own names, else by the declared order."""
    declared = [d.strip().split(None, 1) for d in declaration.split(",") if d.strip()]
    values = Params()
    values.types = {d[0].lstrip("@").lower(): d[1].lower() for d in declared if len(d) == 2}
    for i, p in enumerate(params):
        name = p.name or (declared[i][0] if i < len(declared) else "@P%d" % (i + 1))
        value = p.value
        if isinstance(value, Decimal):
            value = float(value) if value != value.to_integral_value() else int(value)
        elif isinstance(value, bool):
            value = int(value)
        values[name.lstrip("@")] = value
    return values
