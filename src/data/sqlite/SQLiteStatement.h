#pragma once

#include "data/IDbStatement.h"
#include "data/sqlite/SQLiteApi.h"
#include "data/sqlite/SQLiteFileStamp.h"
#include "data/sqlite/SQLiteRowLookup.h"

#include <map>
#include <optional>

/// A prepared SQLite statement and its result, read forward one row at a time. Execute already steps to the first
/// row, so that errors of the statement surface there and columns without a declared type can be classified by the
/// storage class of their first value.
class SQLiteStatement : public IDbStatement, private IDbCursor {
public:
    SQLiteStatement(sqlite3* ADb, const QString& ASql);

    /// A row-keyed statement for ASql, or null: ASql must be a plain SELECT (not DISTINCT) that the engine accepts
    /// with the rowid of its one table put first. That column is hidden; deferred fields read from the same table
    /// give their row's rowid and are read again by it, as long as neither the file nor the row has changed.
    static std::unique_ptr<SQLiteStatement> RowKeyed(sqlite3* ADb, const QString& ASql);

    void Execute(const QList<TDbBindValue>& AValues) override;
    qint64 RowsAffected() const override { return Changes; }
    IDbCursor& Result() override { return *this; }

private:
    const QList<TDbColumnInfo>& Columns() const override { return ColumnInfos; }
    bool Fetch(const QList<TDbBoundField>& AFields, QVariantList& ARow) override;
    bool FetchInto(const QList<TDbBoundField>& AFields, RowCell* ARow, RowBuffer& ABuffer) override;
    /// Reads the next row, handing each field's cell to AKeep (see SQLiteValueReader::Cell for how long it lasts).
    template <typename TKeep> bool FetchRow(const QList<TDbBoundField>& AFields, TKeep AKeep);
    QVariant ReadDeferred(const QList<TDbBoundField>& AFields, const QVariant* AListed, int AIndex) override;
    void CheckFileUnchanged(const QString& AFieldName) const;
    bool KeyIsRowid() const;
    void ReleaseReadPages();

    /// Rows cached between two looks at the page cache, and the page cache's size that a look lets stand.
    static constexpr int ReleaseEveryRows = 4;
    static constexpr int ReleaseAboveBytes = 32 << 10;

    void Step();
    void Classify();
    bool IsAutoInc(int AColumn) const;

    sqlite3* Db = nullptr;
    SQLiteApi::Statement Stmt;
    QList<TDbColumnInfo> ColumnInfos;
    qint64 Changes = 0;
    bool RowPending = false; ///< a row has been stepped to and not yet handed out
    int RowsSinceRelease = 0;
    bool Done = true;
    /// 1 when column 0 is the hidden rowid of a row-keyed statement; the result's columns start after it.
    int FirstColumn = 0;
    /// By result column: whether it comes from the table of the hidden rowid, so that it can be read again by it.
    QList<bool> FromKeyTable;
    /// By bound field: the lookup that reads a deferred field again, made on first use.
    std::map<int, SQLiteRowLookup> Lookups;
    /// The file as it was when the rows began to be read; none for a database without a file.
    std::optional<SQLiteFileStamp> ListedFile;
};
