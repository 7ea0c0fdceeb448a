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

std::optional<TDbMoment> Make(int AYear, int AMonth, int ADay, std::optional<TDbMoment> ATime) {
    if (!ATime) {
        return std::nullopt;
    }
    ATime->Year = AYear;
    ATime->Month = AMonth;
    ATime->Day = ADay;
    if (!ATime->IsValid()) {
        return std::nullopt;
    }
    return ATime;
}

/// "hh:mm[:ss[.f[f[f]]]]" at AAt, as a moment's clock fields; midnight when absent, none when malformed.
std::optional<TDbMoment> ReadTime(QByteArrayView AText, qsizetype AAt) {
    TDbMoment time;
    if (AAt >= AText.size() || !CharAt(AText, AAt + 2, ':')) {
        return time;
    }
    time.Hour = Digits(AText, AAt, 2);
    time.Minute = Digits(AText, AAt + 3, 2);
    if (time.Hour < 0 || time.Minute < 0) {
        return std::nullopt;
    }
    qsizetype at = AAt + 5;
    if (CharAt(AText, at, ':')) {
        time.Second = Digits(AText, at + 1, 2);
        if (time.Second < 0) {
            return std::nullopt;
        }
        at += 3;
        if (CharAt(AText, at, '.')) {
            int scale = 100;
            for (qsizetype i = at + 1; i < at + 4 && i < AText.size() && AText[i] >= '0' && AText[i] <= '9'; ++i) {
                time.Millisecond += (AText[i] - '0') * scale;
                scale /= 10;
            }
        }
    }
    return time;
}

QDateTime DateTimeOf(const std::optional<TDbMoment>& AMoment) {
    return AMoment ? AMoment->ToDateTime() : QDateTime();
}

} // namespace

QDateTime SQLiteTimeStamp::FromText(QByteArrayView AText) {
    return DateTimeOf(MomentFromText(AText));
}

QDateTime SQLiteTimeStamp::FromJulianDay(double AJulianDay) {
    return DateTimeOf(MomentFromJulianDay(AJulianDay));
}

std::optional<TDbMoment> SQLiteTimeStamp::MomentFromText(QByteArrayView AText) {
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
        return ok ? MomentFromJulianDay(julian) : std::nullopt;
    }
    qsizetype at = 10;
    while (at < AText.size() && (AText[at] == ' ' || AText[at] == 'T' || AText[at] == 't')) {
        ++at;
    }
    return Make(year, month, day, ReadTime(AText, at));
}

std::optional<TDbMoment> SQLiteTimeStamp::MomentFromJulianDay(double AJulianDay) {
    const double scaled = AJulianDay * double(MsPerDay) + 0.5;
    if (!std::isfinite(scaled) || scaled < 0 || scaled > double(MaxJulianMs)) {
        return std::nullopt;
    }
    // Julian days begin at noon; QDate's day numbers at midnight.
    const qint64 ms = qint64(scaled) + MsPerDay / 2;
    const QDate date = QDate::fromJulianDay(ms / MsPerDay);
    const QTime clock = QTime::fromMSecsSinceStartOfDay(int(ms % MsPerDay));
    return Make(date.year(), date.month(), date.day(),
                TDbMoment{0, 0, 0, clock.hour(), clock.minute(), clock.second(), clock.msec()});
}
