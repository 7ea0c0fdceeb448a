#pragma once

#include "data/TDbFieldDef.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

/// The value of one field in the current row. Values by kind: QString (text kinds), int (Integer), qint64
/// (LargeInt), double (Float, BCD), QDateTime (SQLTimeStamp, time spec UTC: a naive timestamp), QByteArray (Blob),
/// bool (Boolean); a null field holds a null QVariant.
class TDbField {
public:
    TDbField() = default;
    TDbField(TDbFieldDef ADef, QVariant AValue) : Def(std::move(ADef)), Value(std::move(AValue)) {}

    const QString& FieldName() const { return Def.Name; }
    const TDbFieldDef& Definition() const { return Def; }
    bool IsNull() const { return Value.isNull(); }
    const QVariant& AsVariant() const { return Value; }

    /// Text of the value; the empty text (never a null QString) for null. A Blob value is decoded as text: UTF-8 when
    /// its bytes are valid UTF-8 (a byte-order mark dropped), otherwise Windows-1252, one character per byte.
    QString AsString() const;
    /// 0 for null.
    int AsInteger() const;
    QByteArray AsBytes() const;
    QDateTime AsDateTime() const;
    double AsFloat() const;

private:
    TDbFieldDef Def;
    QVariant Value;
};
