#pragma once

#include "data/TDbFieldDef.h"

#include <QVariant>

#include <sqlite3.h>

/// Reads one value of the current row of a statement as a field of the given kind.
class SQLiteValueReader {
public:
    /// A null value gives a null QVariant. A text longer than ADef.Size (when given) raises EDbError.
    static QVariant Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef);
};
