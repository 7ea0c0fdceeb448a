#include "data/sqlite/SQLiteTimeStamp.h"

#include <cmath>

namespace {

constexpr qint64 MsPerDay = 86400000;
// The span SQLite's date functions accept: Julian day 0 to the end of year 9999.
constexpr qint64 MaxJulianMs = 464269060799999;

/// The number in ACount digits at AAt, or -1.
int Digits(QByteArrayView AText, qsizetype AAt, int ACount) {
    if (AAt + ACount > AText.size()) {
        return -1;
    }
    int value = 0;
    for (qsizetype i = AAt; i < AAt + ACount; ++i) {
        const char c = AText[i];
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

bool CharAt(QByteArrayView AText, qsizetype AAt, char AChar) {
    return AAt < AText.size() && AText[AAt] == AChar;
}

QDateTime Make(int AYear, int AMonth, int ADay, QTime ATime) {
    if (AYear == 0 || AMonth == 0 || ADay == 0) {
        return {};
    }
    const QDate date(AYear, AMonth, ADay);
    if (!date.isValid() || !ATime.isValid()) {
        return {};
    }
    return QDateTime(date, ATime, Qt::UTC);
}

/// "hh:mm[:ss[.f[f[f]]]]" at AAt; midnight when absent, invalid when malformed.
QTime ReadTime(QByteArrayView AText, qsizetype AAt) {
    if (AAt >= AText.size() || !CharAt(AText, AAt + 2, ':')) {
        return QTime(0, 0);
    }
    const int hours = Digits(AText, AAt, 2);
    const int minutes = Digits(AText, AAt + 3, 2);
    if (hours < 0 || minutes < 0) {
        return {};
    }
    int seconds = 0;
    int ms = 0;
    qsizetype at = AAt + 5;
    if (CharAt(AText, at, ':')) {
        seconds = Digits(AText, at + 1, 2);
        if (seconds < 0) {
            return {};
        }
        at += 3;
        if (CharAt(AText, at, '.')) {
            int scale = 100;
            for (qsizetype i = at + 1; i < at + 4 && i < AText.size() && AText[i] >= '0' && AText[i] <= '9'; ++i) {
                ms += (AText[i] - '0') * scale;
                scale /= 10;
            }
        }
    }
    return QTime(hours, minutes, seconds, ms);
}

} // namespace

QDateTime SQLiteTimeStamp::FromText(QByteArrayView AText) {
    int year = -1;
    int month = -1;
    int day = -1;
    if (CharAt(AText, 4, '-') && CharAt(AText, 7, '-')) {
        year = Digits(AText, 0, 4);
        month = Digits(AText, 5, 2);
        day = Digits(AText, 8, 2);
    } else if (CharAt(AText, 2, '.') && CharAt(AText, 5, '.')) {
        day = Digits(AText, 0, 2);
        month = Digits(AText, 3, 2);
        year = Digits(AText, 6, 4);
    }
    if (year < 0 || month < 0 || day < 0) {
        bool ok = false;
        const double julian = QByteArray::fromRawData(AText.data(), AText.size()).trimmed().toDouble(&ok);
        return ok ? FromJulianDay(julian) : QDateTime();
    }
    qsizetype at = 10;
    while (at < AText.size() && (AText[at] == ' ' || AText[at] == 'T' || AText[at] == 't')) {
        ++at;
    }
    return Make(year, month, day, ReadTime(AText, at));
}

QDateTime SQLiteTimeStamp::FromJulianDay(double AJulianDay) {
    const double scaled = AJulianDay * double(MsPerDay) + 0.5;
    if (!std::isfinite(scaled) || scaled < 0 || scaled > double(MaxJulianMs)) {
        return {};
    }
    // Julian days begin at noon; QDate's day numbers at midnight.
    const qint64 ms = qint64(scaled) + MsPerDay / 2;
    const QDate date = QDate::fromJulianDay(ms / MsPerDay);
    return Make(date.year(), date.month(), date.day(), QTime::fromMSecsSinceStartOfDay(int(ms % MsPerDay)));
}
