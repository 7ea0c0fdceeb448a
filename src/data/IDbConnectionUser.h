#pragma once

/// What a connection asks of the row sets opened on it: to close before it disconnects, and to let go of it when it
/// is destroyed first.
class IDbConnectionUser {
public:
    virtual void ConnectionClosing() = 0;
    virtual void ConnectionDestroyed() = 0;

protected:
    ~IDbConnectionUser() = default;
};
