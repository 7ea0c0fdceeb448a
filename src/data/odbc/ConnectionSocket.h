#pragma once

#include <sys/types.h>

#include <set>

/// The TCP socket that an ODBC driver opened for one connection, found by comparing the process's sockets before
/// and after the connect. A driver learns that the server closed its connection only from a failed read or write;
/// this tells, without sending anything, before a statement goes out on a connection that sat idle. Linux
/// (/proc/self/fd); UI thread only.
class ConnectionSocket {
public:
    /// Notes the sockets the process has open: construct it right before the driver connects.
    ConnectionSocket();

    /// Takes the one TCP socket that the connect opened; without exactly one there is nothing to watch.
    void Connected();

    /// True when the connection can no longer carry a request: the server closed or reset it, or the driver let go
    /// of its socket. Nothing sent from then on can reach the server. False while it looks open, and when there is no
    /// socket to watch.
    bool Lost() const;

private:
    std::set<ino_t> Before;
    int Descriptor = -1;
    ino_t Inode = 0;
};
