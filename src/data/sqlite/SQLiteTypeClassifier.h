#pragma once

#include "data/IDbCursor.h"

#include <functional>

/// Classifies SQLite result columns by their declared types.
class SQLiteTypeClassifier {
public:
    /// The declared type to use for a column without one: the storage class of its value in the current row.
    static QString DeclaredTypeOfStorageClass(int AStorageClass);
    /// AIsAutoInc is asked only for integer type names.
    static TDbColumnInfo Classify(const QString& AColumnName, const QString& ADeclaredType,
                                  const std::function<bool()>& AIsAutoInc = {});
};
