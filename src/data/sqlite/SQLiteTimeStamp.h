#pragma once

#include "data/RowCell.h"

#include <QByteArrayView>
#include <QDateTime>

#include <optional>

/// Timestamps as the SQLite back end reads them. Results are naive timestamps (time spec UTC); a value that is
/// unreadable or has a zero year, month or day gives an invalid QDateTime (a null field).
class SQLiteTimeStamp {
public:
    /// "yyyy-mm-dd" or "dd.mm.yyyy", then blanks or "T", then an optional "hh:mm[:ss[.fff]]"; the rest is ignored.
    /// Any other text is read as a decimal Julian day number.
    static QDateTime FromText(QByteArrayView AText);
    /// A Julian day number as SQLite's date and time functions define it.
    static QDateTime FromJulianDay(double AJulianDay);
    /// As FromText and FromJulianDay, as the timestamp's fields; none where those give an invalid QDateTime.
    static std::optional<TDbMoment> MomentFromText(QByteArrayView AText);
    static std::optional<TDbMoment> MomentFromJulianDay(double AJulianDay);
};
