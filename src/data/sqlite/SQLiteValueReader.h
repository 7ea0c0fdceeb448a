#pragma once

#include "data/TDbFieldDef.h"

#include <QVariant>

#include <sqlite3.h>

class ByteArena;

/// Reads one value of the current row of a statement as a field of the given kind.
class SQLiteValueReader {
public:
    /// A null value gives a null QVariant. A text longer than ADef.Size (when given) raises EDbError.
    /// With AArena, Blob bytes and plain ASCII text are copied into the arena's shared blocks (see ByteArena).
    static QVariant Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef, ByteArena* AArena = nullptr);
};
