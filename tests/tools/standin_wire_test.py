#!/usr/bin/env python3
"""What the SQL Server stand-in puts on the wire where FreeTDS hides it: the TDS version a login is answered
with, the attention acknowledgement in a reply of its own, and the transaction descriptor of transaction
manager requests. Usage: standin_wire_test.py PATH/TO/tools (the folder that holds the tds_standin package)"""

import os
import socket
import struct
import subprocess
import sys
import tempfile
import time
import unittest

TOOLS = sys.argv.pop(1) if len(sys.argv) > 1 else ""
TDS71, TDS72, TDS73, TDS74 = 0x71000001, 0x72090002, 0x730B0003, 0x74000004
DONE_ATTN = 0x20


class Client:
    """The least of a TDS client: one packet per request, replies split into tokens up to the DONE."""

    def __init__(self, port, version):
        self.version = version
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        self.send(0x12, b"\x00\x00\x06\x00\x06\xff" + bytes(6))  # PRELOGIN: VERSION only
        self.read()
        self.login = self.tokens(self.read_login(version))

    def send(self, ptype, payload):
        self.sock.sendall(struct.pack(">BBHHBB", ptype, 1, len(payload) + 8, 0, 1, 0) + payload)

    def read(self):
        payload = b""
        while True:
            head = self._exact(8)
            payload += self._exact(struct.unpack(">H", head[2:4])[0] - 8)
            if head[1] & 1:
                return payload

    def _exact(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise ConnectionError("closed")
            data += chunk
        return data

    def read_login(self, version):
        fields = ["host", "kvora", "kvora", "wire", "", "", "wire", "", "KVORA"]
        fixed, data = 94, b""
        offsets = b""
        for i, text in enumerate(fields):
            raw = text.encode("utf-16-le")
            if i == 2:
                raw = bytes((((b << 4) | (b >> 4)) & 0xFF) ^ 0xA5 for b in raw)
            offsets += struct.pack("<HH", fixed + len(data), len(text))
            data += raw
        head = struct.pack("<IIIIII", fixed + len(data), version, 4096, 7, os.getpid(), 0) + bytes([0xE0, 3, 0, 0])
        head += struct.pack("<iI", 0, 0x409) + offsets + bytes(6) + bytes(16)  # client id, SSPI, file, password
        self.send(0x10, head + data)
        return self.read()

    def headers(self):
        return struct.pack("<IIHQI", 22, 18, 2, 0, 1) if self.version >= TDS72 else b""

    def batch(self, sql):
        self.send(0x01, self.headers() + sql.encode("utf-16-le"))

    def tokens(self, payload):
        """(token, body) pairs of a reply holding only ENVCHANGE, INFO, ERROR, LOGINACK and DONE tokens."""
        out, pos, done_size = [], 0, 12 if self.version >= TDS72 else 8
        while pos < len(payload):
            token = payload[pos]
            if token in (0xFD, 0xFE, 0xFF):
                out.append((token, payload[pos + 1:pos + 1 + done_size]))
                pos += 1 + done_size
            else:
                length = struct.unpack("<H", payload[pos + 1:pos + 3])[0]
                out.append((token, payload[pos + 3:pos + 3 + length]))
                pos += 3 + length
        return out


def message_length(body):
    """Bytes of an INFO or ERROR token before its line number: number, state, class, text, server, procedure."""
    pos = 6 + 2 + 2 * struct.unpack("<H", body[6:8])[0]
    pos += 1 + 2 * body[pos]
    return pos + 1 + 2 * body[pos]


def done_status(payload):
    """Status of the reply's final DONE (the last 12 bytes from TDS 7.2 on)."""
    return struct.unpack("<H", payload[-11:-9])[0]


class StandInWire(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = tempfile.TemporaryDirectory()
        cls.servers = {}

    @classmethod
    def tearDownClass(cls):
        for process, _ in cls.servers.values():
            process.terminate()
            process.wait()
            process.stdout.close()
        cls.dir.cleanup()

    def client(self, server, version):
        c = Client(self.server(server), version)
        self.addCleanup(c.sock.close)
        return c

    def server(self, version):
        if version not in self.servers:
            process = subprocess.Popen(["python3", "-m", "tds_standin",
                                        "--db", os.path.join(self.dir.name, version + ".sqlite"),
                                        "--port", "0", "--tds-version", version, "--parent-pid", str(os.getpid())],
                                       stdout=subprocess.PIPE, text=True, env=dict(os.environ, PYTHONPATH=TOOLS))
            self.servers[version] = (process, int(process.stdout.readline().split()[1]))
        return self.servers[version][1]

    def test_login_answered_with_the_version_both_speak(self):
        for server, client, expected in [("7.4", TDS71, TDS71), ("7.4", TDS72, TDS72), ("7.4", TDS73, TDS73),
                                         ("7.4", TDS74, TDS74), ("7.2", TDS74, TDS72), ("7.1", TDS73, TDS71)]:
            with self.subTest(server=server, client=hex(client)):
                c = self.client(server, client)
                ack = next(body for token, body in c.login if token == 0xAD)
                self.assertEqual(struct.unpack(">I", ack[1:5])[0], expected)
                for info in (body for token, body in c.login if token == 0xAB):
                    self.assertEqual(len(info) - message_length(info), 4 if expected >= TDS72 else 2, "line number")

    def test_cancel_acknowledged_in_a_reply_of_its_own(self):
        c = self.client("7.4", TDS74)
        c.batch("exec standin_fault 'delay', 3, 'select 6'")
        self.assertEqual(done_status(c.read()) & 0x02, 0)
        start = time.monotonic()
        c.batch("select 6")
        time.sleep(0.3)
        c.send(0x06, b"")
        first = c.read()
        self.assertEqual(done_status(first) & DONE_ATTN, 0, "the cancelled request's own reply")
        self.assertEqual(c.tokens(c.read()), [(0xFD, struct.pack("<HHQ", DONE_ATTN, 0, 0))])
        self.assertLess(time.monotonic() - start, 2.5)
        c.batch("exec standin_fault 'clear'")
        c.read()
        c.send(0x06, b"")  # a cancel after the reply: only the acknowledgement
        self.assertEqual(c.tokens(c.read()), [(0xFD, struct.pack("<HHQ", DONE_ATTN, 0, 0))])

    def test_transaction_manager_requests(self):
        c = self.client("7.4", TDS74)
        begin = struct.pack("<HBB", 5, 0, 0)
        c.send(0x0E, c.headers() + begin)
        envchange = c.tokens(c.read())[0]
        self.assertEqual((envchange[0], envchange[1][:2], len(envchange[1])), (0xE3, b"\x08\x08", 11))
        descriptor = envchange[1][2:10]
        c.send(0x0E, c.headers() + struct.pack("<HBB", 7, 0, 1) + bytes(2))  # commit and begin anew
        changes = [body for token, body in c.tokens(c.read()) if token == 0xE3]
        self.assertEqual(changes[0], b"\x09\x00\x08" + descriptor)
        self.assertEqual(changes[1][:2], b"\x08\x08")
        self.assertNotEqual(changes[1][2:10], descriptor)


if __name__ == "__main__":
    unittest.main()
