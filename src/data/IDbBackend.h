#pragma once

#include "data/TDbErrors.h"
#include "data/TDbFieldDef.h"
#include "data/TDbFieldType.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <memory>

class ByteArena;

/// The contract between the layer and one back end (SQLite, ODBC). Back ends raise EDbEngineError with message,
/// type name, layer code and records; the layer adds object name, command text and parameters.

/// A value bound to a positional placeholder. Parameters are text only: a null QString is bound as the empty text.
struct TDbBindValue {
    TDbFieldType DataType = TDbFieldType::ftString;
    QString Value;
};

/// One result column as the back end classifies it.
struct TDbColumnInfo {
    QString Name;
    QString KindName; ///< column kind as binding messages name it: "String", "WideMemo", "SQLTimeStamp", ...
    TDbFieldKind FieldKind = TDbFieldKind::WideString; ///< the field kind a row set without declarations uses
    int Length = 0; ///< characters or bytes for text and binary kinds; 0 when not given
    int Precision = 0;
    int Scale = 0;
    bool IsInterval = false; ///< an interval kind: named "String" in messages but accepted by no field
};

/// A field as bound for reading: which result column feeds it and how its value is read.
struct TDbBoundField {
    int Column = -1;
    TDbFieldDef Def; ///< Size already narrowed to the column's declared length where that is shorter
};

/// The rows of one executed statement, read forward only.
class IDbCursor {
public:
    virtual ~IDbCursor() = default;
    /// The result's columns; empty for a statement without a result.
    virtual const QList<TDbColumnInfo>& Columns() const = 0;
    /// Reads the next row into ARow, one value per entry of AFields (see TDbField for the value types).
    /// Returns false when the result has no further row.
    virtual bool Fetch(const QList<TDbBoundField>& AFields, QVariantList& ARow) = 0;
    /// As Fetch, for rows that are cached until AArena goes: reads into ARow, one null slot per entry of AFields;
    /// a back end may copy large values into AArena's shared blocks instead of allocating each one. By default
    /// through Fetch.
    ///
    /// A cursor of a row-keyed statement (IDbBackend::PrepareRowKeyed) gives a deferred field that is not null as
    /// a TDbDeferred with the row's key; any other cursor reads it as any other field.
    virtual bool FetchInto(const QList<TDbBoundField>& AFields, QVariant* ARow, ByteArena& AArena) {
        (void)AArena;
        QVariantList row(AFields.size());
        if (!Fetch(AFields, row)) {
            return false;
        }
        std::move(row.begin(), row.end(), ARow);
        return true;
    }
    /// The value of deferred field AField in the row that AValue (given out by FetchInto) names, read now. Only
    /// cursors of row-keyed statements give such values out, and they override this.
    virtual QVariant ReadDeferred(const TDbBoundField& AField, const TDbDeferred& AValue) {
        (void)AValue;
        throw EDbError(QStringLiteral("Field '%1' cannot be read again").arg(AField.Def.Name));
    }
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

/// One connection of a back end.
class IDbBackend {
public:
    virtual ~IDbBackend() = default;
    /// Connects with the connection's parameter lines ("Key=Value", DriverID first).
    virtual void Open(const QStringList& AParams) = 0;
    /// Disconnects; statements prepared on it must be destroyed before.
    virtual void Close() = 0;
    virtual std::unique_ptr<IDbStatement> Prepare(const QString& ASql) = 0;
    /// As Prepare, for a statement whose rows the back end can find again by a key of its own, so that its cursor
    /// can defer fields; null when the back end or the statement cannot (a Prepare of the same text then decides).
    virtual std::unique_ptr<IDbStatement> PrepareRowKeyed(const QString& ASql) {
        (void)ASql;
        return nullptr;
    }
};

namespace DbBackends {
using Factory = std::function<std::unique_ptr<IDbBackend>()>;
/// Makes "DriverID=<ADriverId>" available (matched without regard to case).
void Register(const QString& ADriverId, Factory AFactory);
/// A new back-end connection for the driver id; EDbError when none is registered.
std::unique_ptr<IDbBackend> Create(const QString& ADriverId);
} // namespace DbBackends
