#include "data/odbc/ConnectionSocket.h"

#include "platform/TClock.h"

void ConnectionSocket::Connected() {
    Identify();
    Answered();
}

void ConnectionSocket::Answered() {
    AnsweredAtMs = TClock::instance().elapsedMs();
}

bool ConnectionSocket::Lost() {
    if (TClock::instance().elapsedMs() - AnsweredAtMs < IdleCheckMs) {
        return false;
    }
    return Closed();
}
