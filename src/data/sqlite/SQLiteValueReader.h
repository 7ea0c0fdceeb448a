#pragma once

#include "data/RowCell.h"
#include "data/TDbFieldDef.h"

#include <QVariant>

#include <sqlite3.h>

/// Reads one value of the current row of a statement as a field of the given kind.
class SQLiteValueReader {
public:
    /// A null value gives a null cell. A text longer than ADef.Size (when given) raises EDbError. Text and bytes are
    /// not copied: the cell points into the engine's row, or into AConverted for text that had to be converted, and
    /// is valid until the statement steps or AConverted changes.
    static RowCell Cell(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef, QString& AConverted);
    /// As the cell's value.
    static QVariant Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef);
};
