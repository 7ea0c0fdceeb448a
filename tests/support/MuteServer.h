#pragma once

#include <QString>

/// A TCP listener on 127.0.0.1 that takes connections (the system completes them) but never reads or answers:
/// a server that has stopped responding. Closed with the object.
class MuteServer {
public:
    MuteServer();
    ~MuteServer();
    MuteServer(const MuteServer&) = delete;
    MuteServer& operator=(const MuteServer&) = delete;

    /// "127.0.0.1,PORT", as FreeTDS takes it in the Server keyword.
    QString server() const;
    quint16 port() const { return Port; }

private:
    qintptr Socket = -1;
    quint16 Port = 0;
};
