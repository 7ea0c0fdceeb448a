#pragma once

#include "data/TDbFieldDef.h"

#include <QDateTime>
#include <QVariant>

#include <cstdint>
#include <optional>

/// A timestamp as its calendar and clock fields, as a back end read it: a grid shows them as they are, and only a
/// caller that needs a date gets a QDateTime made of them.
struct TDbMoment {
    int Year = 0; ///< as QDate counts them: no year 0, 1 BC is -1
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    int Millisecond = 0;

    /// The fields of a valid naive timestamp (time spec UTC) within the years -9999 to 9999; none for any other.
    static std::optional<TDbMoment> Of(const QDateTime& AValue);
    /// True for a real day of the calendar and a time of the clock.
    bool IsValid() const;
    /// A naive timestamp: time spec UTC.
    QDateTime ToDateTime() const;
};

/// One value of a cached row as the back end read it: numbers as numbers, text as the characters read (plain ASCII
/// as its bytes), a timestamp as its fields. It becomes a QVariant (Value) or a grid's text only when one is asked
/// for, so that a row nobody looks at costs its 16 bytes a value and its text bytes, nothing more. The bytes it
/// points to belong to the row store that made it (or, for a cell read for one call, to the engine's row).
class RowCell {
public:
    enum class TKind : std::uint8_t {
        Null,
        Integer,  ///< int
        LargeInt, ///< qint64
        Boolean,
        Real,     ///< double
        Ascii,    ///< text of plain ASCII bytes
        Utf16,    ///< text of UTF-16 code units
        Bytes,    ///< binary (QByteArray)
        Moment,   ///< timestamp fields (QDateTime)
        Deferred, ///< the row key of a deferred field (TDbDeferred)
        Variant,  ///< a value kept whole, for back ends that give QVariants
    };

    RowCell() = default;
    static RowCell Number(TKind AKind, qint64 AValue);
    static RowCell Real(double AValue);
    static RowCell Text(TKind AKind, const void* AData, qsizetype ASize);
    static RowCell Bytes(const char* AData, qsizetype ASize);
    static RowCell Moment(const TDbMoment& AMoment);
    static RowCell Deferred(qint64 ARowKey);
    /// Points to AValue, which must outlive the cell.
    static RowCell Variant(const QVariant* AValue);
    /// The cell of a value of the types TDbField documents, pointing into AValue where it holds text; a type
    /// without a cell kind of its own points to AValue whole.
    static RowCell Of(const QVariant& AValue);

    TKind Kind() const { return CellKind; }
    bool IsNull() const { return CellKind == TKind::Null || (CellKind == TKind::Variant && Whole->isNull()); }
    /// The value as TDbField documents it.
    QVariant Value() const;

    qint64 Integer() const { return Int; }
    double RealValue() const { return Dbl; }
    const char* Data() const { return Pointer; }
    /// Bytes, or UTF-16 code units of Utf16 text.
    qsizetype Size() const { return qsizetype(Count); }
    QString String() const;
    TDbMoment MomentValue() const;
    const QVariant& VariantValue() const { return *Whole; }

private:
    union {
        qint64 Int = 0;
        double Dbl;
        const char* Pointer;
        const QVariant* Whole;
    };
    std::uint32_t Count = 0; ///< size of the text or bytes; the milliseconds of a moment
    TKind CellKind = TKind::Null;
};
