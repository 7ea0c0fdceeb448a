#pragma once

#include <QDate>
#include <QtGlobal>

/// Source of the current date and of monotonic time, replaceable by tests.
class TClock {
public:
    TClock() = default;
    virtual ~TClock() = default;
    TClock(const TClock&) = delete;
    TClock& operator=(const TClock&) = delete;

    /// Today's date in local time.
    virtual QDate currentDate() const;
    /// Milliseconds on a monotonic clock with an arbitrary origin.
    virtual qint64 elapsedMs() const;

    /// The clock in use: the system clock unless a test installed another.
    static TClock& instance();
    /// Installs clock (not owned; it must outlive its use); null restores the system clock.
    static void setInstance(TClock* clock);
};
