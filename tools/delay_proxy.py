#!/usr/bin/env python3
"""A TCP proxy on loopback that passes every reply of a server back late, as a slow link (a VPN, say) would.

Usage: delay_proxy.py --target HOST:PORT [--delay-ms 20] [--port 0] [--port-file F] [--parent-pid PID]

What a client sends goes on to the server at once; what the server sends is passed back to the client DELAY after
it arrived, in order. That is the link's latency, not a limit on its bandwidth: a reply of many packets comes DELAY
late as a whole. The first line on standard output is "port N"; --port-file receives the same number.
"""

import argparse
import collections
import os
import socket
import threading
import time


class DelayedStream:
    """Bytes read from `source` reach `sink` `delay` seconds after they arrived; the end of one ends the other."""

    def __init__(self, source, sink, delay):
        self.source, self.sink, self.delay = source, sink, delay
        self.queue = collections.deque()  # (due time, bytes); empty bytes: the source ended
        self.ready = threading.Condition()

    def start(self):
        threading.Thread(target=self._read, daemon=True).start()
        threading.Thread(target=self._write, daemon=True).start()

    def _read(self):
        while True:
            try:
                data = self.source.recv(65536)
            except OSError:
                data = b""
            with self.ready:
                self.queue.append((time.monotonic() + self.delay, data))
                self.ready.notify()
            if not data:
                return

    def _write(self):
        while True:
            with self.ready:
                while not self.queue:
                    self.ready.wait()
                due, data = self.queue.popleft()
            wait = due - time.monotonic()
            if wait > 0:
                time.sleep(wait)
            try:
                if not data:
                    self.sink.shutdown(socket.SHUT_WR)
                    return
                self.sink.sendall(data)
            except OSError:
                return


def pass_through(source, sink):
    """Copies `source` to `sink` as it comes; the end of one ends the other."""
    try:
        while True:
            data = source.recv(65536)
            if not data:
                break
            sink.sendall(data)
    except OSError:
        pass
    for sock in (sink, source):
        try:
            sock.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass


def serve(client, target, delay):
    try:
        server = socket.create_connection(target)
    except OSError:
        client.close()
        return
    for sock in (client, server):
        sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    DelayedStream(server, client, delay).start()
    pass_through(client, server)
    server.close()
    client.close()


def watch_parent(parent_pid):
    while True:
        time.sleep(0.5)
        try:
            os.kill(parent_pid, 0)
        except ProcessLookupError:
            os._exit(0)


def main():
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--target", required=True, help="HOST:PORT of the server")
    p.add_argument("--delay-ms", type=float, default=20.0, help="delay of every reply, in milliseconds")
    p.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 to listen on; 0 picks a free one")
    p.add_argument("--port-file", help="write the chosen port to this file")
    p.add_argument("--parent-pid", type=int, default=0, help="stop when this process ends")
    args = p.parse_args()
    host, _, port = args.target.rpartition(":")
    target = (host, int(port))

    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", args.port))
    listener.listen(16)
    chosen = listener.getsockname()[1]
    if args.port_file:
        with open(args.port_file + ".tmp", "w") as f:
            f.write("%d\n" % chosen)
        os.replace(args.port_file + ".tmp", args.port_file)
    print("port %d" % chosen, flush=True)
    if args.parent_pid:
        threading.Thread(target=watch_parent, args=(args.parent_pid,), daemon=True).start()
    while True:
        client, _ = listener.accept()
        threading.Thread(target=serve, args=(client, target, args.delay_ms / 1000.0), daemon=True).start()


if __name__ == "__main__":
    main()
