#pragma once

#include "platform/TClock.h"

/// A clock that moves only when the test says so; installed as TClock::instance() for its lifetime.
class ManualClock : public TClock {
public:
    ManualClock() { TClock::setInstance(this); }
    ~ManualClock() override { TClock::setInstance(nullptr); }

    qint64 elapsedMs() const override { return Now; }
    void advance(qint64 AMs) { Now += AMs; }

private:
    qint64 Now = 100000;
};
