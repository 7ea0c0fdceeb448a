#pragma once

#include <memory>

/// The TCP connection that an ODBC driver opened for one connection, found by comparing the process's connections
/// before and after the connect. A driver learns that the server closed its connection only from a failed read or
/// write; this tells, without sending anything, before a statement goes out on a connection that sat idle. UI thread
/// only. How the process's connections are listed is the platform's (one source file each).
class ConnectionSocket {
public:
    /// Notes the connections the process has open: construct it right before the driver connects.
    ConnectionSocket();
    ~ConnectionSocket();

    /// Takes the one TCP connection that the connect opened; without exactly one there is nothing to watch.
    void Connected();

    /// True when the connection can no longer carry a request: the server closed or reset it, or the driver let go
    /// of its socket. Nothing sent from then on can reach the server. False while it looks open, and when there is no
    /// connection to watch.
    bool Lost() const;

private:
    struct Tracking;
    std::unique_ptr<Tracking> State;
};
