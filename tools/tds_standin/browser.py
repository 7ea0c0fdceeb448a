"""The browser service's answer for one named instance (SSRP over UDP port 1434).

A client that names a server as HOST\\INSTANCE first asks UDP port 1434 of HOST for the instance's TCP port.
Requests answered: CLNT_BCAST_EX and CLNT_UCAST_EX (every instance of the host, here the one) and
CLNT_UCAST_INST (one instance by name). A request for another instance, or any other datagram, gets no answer,
as from the real service.
"""

import random
import socket
import struct

CLNT_BCAST_EX, CLNT_UCAST_EX, CLNT_UCAST_INST, SVR_RESP = 0x02, 0x03, 0x04, 0x05
BROWSER_PORT = 1434
MAX_INSTANCE_NAME = 32


def describe(server_name, instance, version, port):
    return "ServerName;%s;InstanceName;%s;IsClustered;No;Version;%s;tcp;%d;;" % (server_name, instance, version, port)


def reply_to(request, instance, description):
    """The SVR_RESP datagram for one request, or None when the request gets no answer."""
    if not request:
        return None
    if request[0] == CLNT_UCAST_INST:
        name = request[1:].split(b"\x00", 1)[0]
        if len(name) > MAX_INSTANCE_NAME or name.decode("latin-1").upper() != instance.upper():
            return None
    elif request[0] not in (CLNT_BCAST_EX, CLNT_UCAST_EX):
        return None
    body = description.encode("latin-1")
    return bytes([SVR_RESP]) + struct.pack("<H", len(body)) + body


def bind(host):
    """A UDP socket on the browser port of `host`; raises OSError when the port is taken there."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        sock.bind((host, BROWSER_PORT))
    except OSError:
        sock.close()
        raise
    return sock


def bind_free_loopback(attempts=200):
    """A loopback address of our own (127.x.y.z, not 127.0.0.1) whose browser port is free, and its socket.

    Parallel stand-ins each take one, so that they never share port 1434.
    """
    pick = random.Random()
    for _ in range(attempts):
        host = "127.%d.%d.%d" % (pick.randint(1, 254), pick.randint(0, 255), pick.randint(1, 254))
        try:
            return host, bind(host)
        except OSError:
            continue
    raise OSError("no loopback address with a free UDP port %d" % BROWSER_PORT)


def serve(sock, instance, description, log):
    while True:
        request, peer = sock.recvfrom(2048)
        reply = reply_to(request, instance, description)
        log("SSRP %#04x %r from %s:%d: %s" % (request[0] if request else 0, request[1:40], peer[0], peer[1],
                                              "answered" if reply else "no answer"))
        if reply:
            sock.sendto(reply, peer)
