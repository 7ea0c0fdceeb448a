#include "platform/TClock.h"

#include <chrono>

namespace {
TClock* installed = nullptr;
}

QDate TClock::currentDate() const {
    return QDate::currentDate();
}

qint64 TClock::elapsedMs() const {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

TClock& TClock::instance() {
    static TClock systemClock;
    return installed != nullptr ? *installed : systemClock;
}

void TClock::setInstance(TClock* clock) {
    installed = clock;
}
