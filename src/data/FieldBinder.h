#pragma once

#include "data/IDbCursor.h"

/// Binds the fields of a row set to the columns of its result.
class FieldBinder {
public:
    /// Declared fields are bound in order to the columns of the same names (case-insensitive); the first that does
    /// not fit raises EDbError "<AObjectName>: <reason>". Without declarations every column gets a field of its own.
    static QList<TDbBoundField> Bind(const QString& AObjectName, const QList<TDbFieldDef>& ADeclared,
                                     const QList<TDbColumnInfo>& AColumns);
    /// The field kind's name in binding messages ("String" for both 8-bit text kinds).
    static QString KindName(TDbFieldKind AKind);
    /// The field a row set without declarations gets for a column.
    static TDbFieldDef Derive(const TDbColumnInfo& AColumn);
    static bool IsTextKind(TDbFieldKind AKind);
};
