#pragma once

#include <QMetaType>
#include <QString>

/// Kind of a field of a row set.
enum class TDbFieldKind {
    String,       ///< 8-bit text of at most Size characters
    FixedChar,    ///< fixed-length 8-bit text; named "String" in binding messages
    WideString,   ///< Unicode text of at most Size characters
    Integer,      ///< 32-bit signed integer
    LargeInt,     ///< 64-bit signed integer
    Float,        ///< floating point
    BCD,          ///< decimal of Precision and Scale
    SQLTimeStamp, ///< date and time with milliseconds
    Blob,         ///< bytes of any length
    Memo,         ///< long 8-bit text
    WideMemo,     ///< long Unicode text
    Boolean,
};

/// A field declaration: persistent (declared with a data module) or derived from a result column.
struct TDbFieldDef {
    QString Name;
    TDbFieldKind Kind = TDbFieldKind::String;
    int Size = 0;      ///< characters for the text kinds; 0 when not limited
    int Precision = 0; ///< BCD only
    int Scale = 0;     ///< BCD only
    /// Blob only: an open row set keeps whether the value is null, not its bytes, and reads the bytes again when the
    /// field is asked for its value, where the back end can find the row again (otherwise it keeps the bytes).
    bool Deferred = false;
};

/// The value an open row set keeps for a deferred field that is not null: the back end's key of its row.
struct TDbDeferred {
    qint64 RowKey = 0;
};
Q_DECLARE_TYPEINFO(TDbDeferred, Q_PRIMITIVE_TYPE);
