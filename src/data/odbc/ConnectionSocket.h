#pragma once

#include <QtGlobal>

#include <memory>

/// The TCP connection that an ODBC driver opened for one connection, found by comparing the process's connections
/// before and after the connect. A driver learns that the server closed its connection only from a failed read or
/// write; this tells, without sending anything, before a statement goes out on a connection that sat idle. UI thread
/// only. How the process's connections are listed is the platform's (one source file each); time comes from
/// TClock::instance().
class ConnectionSocket {
public:
    /// How long a connection must have been idle, since its last reply, before Lost() looks at it. Far above the pause
    /// between two statements of a run (milliseconds: a coupon's XML read and converted), so a run of coupons pays no
    /// look; far below what a server restart or a cut-off of idle connections takes (seconds to minutes), so such a
    /// loss is found before anything is sent; one within it shows as the driver's own error, as a loss while a
    /// statement is under way does. Past it, a look (on Windows a read of the system's TCP table, milliseconds) costs a
    /// small part of the idle time it follows.
    static constexpr qint64 IdleCheckMs = 100;

    /// Notes the connections the process has open: construct it right before the driver connects.
    ConnectionSocket();
    ~ConnectionSocket();

    /// Notes the TCP connections that the connect opened; the one of them that belongs to this process is watched,
    /// and without exactly one there is nothing to watch. The login's reply has arrived.
    void Connected();

    /// A reply has arrived on the connection: it was open then.
    void Answered();

    /// True when the connection, idle for IdleCheckMs or longer, can no longer carry a request: the server closed or
    /// reset it, or the driver let go of its socket. Nothing sent from then on can reach the server. False while it
    /// looks open, when it has been idle for less (a loss then shows as the driver's own error on the next request),
    /// and when there is no connection to watch.
    bool Lost();

private:
    /// The platform's look at the watched connection, without the idle rule.
    bool Closed();
    /// Finds the connections the connect opened, from the connections noted before it.
    void Identify();

    struct Tracking;
    std::unique_ptr<Tracking> State;
    qint64 AnsweredAtMs = 0;
};
