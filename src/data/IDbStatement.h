#pragma once

#include "data/IDbCursor.h"
#include "data/TDbFieldType.h"

#include <QList>
#include <QString>

/// A value bound to a positional placeholder. Parameters are text only: a null QString is bound as the empty text.
struct TDbBindValue {
    TDbFieldType DataType = TDbFieldType::ftString;
    QString Value;
};

/// A prepared statement whose text uses positional placeholders ("?").
class IDbStatement {
public:
    virtual ~IDbStatement() = default;
    /// Binds AValues to the placeholders in order and runs the statement; the previous result is dropped.
    /// The statement copies the values: the caller's buffers are not kept.
    virtual void Execute(const QList<TDbBindValue>& AValues) = 0;
    /// Rows affected by the last Execute (-1 when the back end cannot tell).
    virtual qint64 RowsAffected() const = 0;
    /// The result of the last Execute; valid until the next Execute or the statement's destruction.
    virtual IDbCursor& Result() = 0;
};
