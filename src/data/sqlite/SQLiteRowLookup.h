#pragma once

#include "data/IDbCursor.h"
#include "data/sqlite/SQLiteApi.h"

#include <QList>
#include <QVariant>

/// Reads one deferred field of a listed row again by the row's rowid, together with the row's other listed values of
/// the same table, and gives the value only when those are still the values listed: a rowid alone may by now name
/// another row (the file rewritten with the rows in another order, a row deleted and its rowid reused).
class SQLiteRowLookup {
public:
    /// AListing is the row-keyed statement whose result AFields are bound to, its result column i at statement
    /// column i + AFirstColumn; AFromKeyTable tells, by result column, which come from the table of the key.
    SQLiteRowLookup(sqlite3* ADb, sqlite3_stmt* AListing, int AFirstColumn, const QList<bool>& AFromKeyTable,
                    const QList<TDbBoundField>& AFields, int AIndex);

    /// The value of the field in row ARowKey. EDbRowChanged when no row has that rowid or when its values differ from
    /// AListed (the row as listed, one value per bound field).
    QVariant Read(qint64 ARowKey, const QVariant* AListed);

private:
    [[noreturn]] void ThrowChanged() const;

    sqlite3* Db = nullptr;
    SQLiteApi::Statement Lookup;
    TDbFieldDef Field;
    /// The bound fields compared, by index into the bound fields; column i + 1 of the lookup reads entry i.
    QList<int> Identity;
    QList<TDbFieldDef> IdentityDefs;
};

/// The layer's error for a row that is no longer the one listed.
EDbRowChanged MakeRowChanged(const QString& AFieldName, const QString& AReason);
