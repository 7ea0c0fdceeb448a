#pragma once

#include "data/RowBuffer.h"
#include "data/TDbErrors.h"
#include "data/TDbFieldDef.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <algorithm>

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
    /// As Fetch, for rows that are cached in ABuffer: reads into ARow, one null cell per entry of AFields, each
    /// kept in ABuffer (RowBuffer::Keep). By default through Fetch, each value kept whole.
    ///
    /// A cursor of a row-keyed statement (IDbBackend::PrepareRowKeyed) gives a deferred field that is not null as
    /// a Deferred cell with the row's key; any other cursor reads it as any other field.
    virtual bool FetchInto(const QList<TDbBoundField>& AFields, RowCell* ARow, RowBuffer& ABuffer) {
        QVariantList row(AFields.size());
        if (!Fetch(AFields, row)) {
            return false;
        }
        for (qsizetype i = 0; i < row.size(); ++i) {
            ARow[i] = ABuffer.Keep(row[i]);
        }
        return true;
    }
    /// The value of deferred field AFields[AIndex] of a row given out by FetchInto, read now. AListed holds that
    /// row's values as given out (one per entry of AFields; the deferred one a TDbDeferred). The value is only given
    /// when the row still is the one listed: otherwise EDbRowChanged. Only cursors of row-keyed statements give
    /// deferred values out, and they override this.
    virtual QVariant ReadDeferred(const QList<TDbBoundField>& AFields, const QVariant* AListed, int AIndex) {
        (void)AListed;
        throw EDbError(QStringLiteral("Field '%1' cannot be read again").arg(AFields[AIndex].Def.Name));
    }
};
