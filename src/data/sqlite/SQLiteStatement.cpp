#include "data/sqlite/SQLiteStatement.h"

#include "data/sqlite/SQLiteTypeClassifier.h"
#include "data/sqlite/SQLiteValueReader.h"

#include <QRegularExpression>

SQLiteStatement::SQLiteStatement(sqlite3* ADb, const QString& ASql) : Db(ADb) {
    const QByteArray sql = ASql.toUtf8();
    sqlite3_stmt* stmt = nullptr;
    SQLiteApi::Check(Db, sqlite3_prepare_v2(Db, sql.constData(), int(sql.size()), &stmt, nullptr));
    // A text of blanks or comments only prepares to no statement at all.
    Stmt.reset(stmt);
}

std::unique_ptr<SQLiteStatement> SQLiteStatement::RowKeyed(sqlite3* ADb, const QString& ASql) {
    static const QRegularExpression select(QStringLiteral("^\\s*select\\s+(?!(distinct|all)\\b)"),
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch found = select.match(ASql);
    if (!found.hasMatch()) {
        return nullptr;
    }
    std::unique_ptr<SQLiteStatement> statement;
    try {
        statement = std::make_unique<SQLiteStatement>(ADb, ASql.left(found.capturedEnd()) + QStringLiteral("rowid, ") +
                                                               ASql.mid(found.capturedEnd()));
    } catch (const EDbEngineError&) {
        // A table without rowid, a join, a compound statement: the plain statement decides.
        return nullptr;
    }
    if (!statement->KeyIsRowid()) {
        return nullptr;
    }
    statement->FirstColumn = 1;
    return statement;
}

// The first column must be the true rowid of a table: not an ordinary column that happens to be named so.
bool SQLiteStatement::KeyIsRowid() const {
    const char* table = sqlite3_column_table_name(Stmt.get(), 0);
    const char* database = sqlite3_column_database_name(Stmt.get(), 0);
    const char* type = nullptr;
    int primaryKey = 0;
    return table && database &&
           sqlite3_table_column_metadata(Db, database, table, "rowid", &type, nullptr, nullptr, &primaryKey, nullptr) ==
               SQLITE_OK &&
           primaryKey && type && sqlite3_stricmp(type, "INTEGER") == 0;
}

void SQLiteStatement::Execute(const QList<TDbBindValue>& AValues) {
    RowPending = false;
    Done = true;
    Changes = 0;
    ColumnInfos.clear();
    if (!Stmt) {
        return;
    }
    // The code sqlite3_reset returns repeats the previous step's failure, which has been reported already.
    sqlite3_reset(Stmt.get());
    SQLiteApi::Check(Db, sqlite3_clear_bindings(Stmt.get()));
    for (int i = 0; i < AValues.size(); ++i) {
        // A null text goes as the empty text (constData() is never a null pointer), never as NULL.
        const QByteArray text = AValues[i].Value.toUtf8();
        SQLiteApi::Check(
            Db, sqlite3_bind_text64(Stmt.get(), i + 1, text.constData(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8));
    }
    Done = false;
    Step();
    if (FirstColumn) {
        // Taken once the first step holds the file's lock (and has rolled back any interrupted write of another).
        ListedFile = SQLiteFileStamp::Of(Db, sqlite3_column_database_name(Stmt.get(), 0));
    }
    Changes = sqlite3_stmt_readonly(Stmt.get()) ? 0 : sqlite3_changes64(Db);
    Classify();
}

void SQLiteStatement::Step() {
    const int rc = sqlite3_step(Stmt.get());
    RowPending = rc == SQLITE_ROW;
    // After a failure the statement must not step again: SQLite would start it over.
    Done = rc != SQLITE_ROW;
    SQLiteApi::Check(Db, rc, SQLITE_ROW, SQLITE_DONE);
}

template <typename TKeep> bool SQLiteStatement::FetchRow(const QList<TDbBoundField>& AFields, TKeep AKeep) {
    if (!RowPending) {
        if (Done) {
            return false;
        }
        Step();
        if (!RowPending) {
            return false;
        }
    }
    QString converted;
    for (qsizetype i = 0; i < AFields.size(); ++i) {
        const TDbBoundField& field = AFields[i];
        const int column = field.Column + FirstColumn;
        if (field.Def.Deferred && FromKeyTable.value(field.Column)) {
            AKeep(i, sqlite3_column_type(Stmt.get(), column) == SQLITE_NULL
                         ? RowCell()
                         : RowCell::Deferred(sqlite3_column_int64(Stmt.get(), 0)));
        } else {
            AKeep(i, SQLiteValueReader::Cell(Stmt.get(), column, field.Def, converted));
        }
    }
    RowPending = false;
    return true;
}

bool SQLiteStatement::Fetch(const QList<TDbBoundField>& AFields, QVariantList& ARow) {
    ARow.resize(AFields.size());
    return FetchRow(AFields, [&ARow](qsizetype AIndex, const RowCell& ACell) { ARow[AIndex] = ACell.Value(); });
}

bool SQLiteStatement::FetchInto(const QList<TDbBoundField>& AFields, RowCell* ARow, RowBuffer& ABuffer) {
    if (!FetchRow(AFields,
                  [ARow, &ABuffer](qsizetype AIndex, const RowCell& ACell) { ARow[AIndex] = ABuffer.Keep(ACell); })) {
        return false;
    }
    if (++RowsSinceRelease == ReleaseEveryRows) {
        RowsSinceRelease = 0;
        ReleaseReadPages();
    }
    return true;
}

// A row set that caches its rows never reads their pages again, yet a long walk would fill the page cache with them
// up to its full size (cache_size pages), a copy of data the rows already hold. Past a small size the cache is
// handed back to the engine's allocator every few rows; the pages the statement still needs stay pinned.
void SQLiteStatement::ReleaseReadPages() {
    int used = 0;
    int highest = 0;
    if (sqlite3_db_status(Db, SQLITE_DBSTATUS_CACHE_USED, &used, &highest, 0) == SQLITE_OK &&
        used > ReleaseAboveBytes) {
        sqlite3_db_release_memory(Db);
    }
}

QVariant SQLiteStatement::ReadDeferred(const QList<TDbBoundField>& AFields, const QVariant* AListed, int AIndex) {
    const QString& name = AFields[AIndex].Def.Name;
    CheckFileUnchanged(name);
    auto lookup = Lookups.find(AIndex);
    if (lookup == Lookups.end()) {
        lookup = Lookups.try_emplace(AIndex, Db, Stmt.get(), FirstColumn, FromKeyTable, AFields, AIndex).first;
    }
    QVariant value = lookup->second.Read(AListed[AIndex].value<TDbDeferred>().RowKey, AListed);
    // Checked again after the read: a write that began during it may have given some of its pages.
    CheckFileUnchanged(name);
    return value;
}

// The engine keeps its pages and its lock while the file underneath is overwritten (a copy over it): its rowids may
// then name other rows, and its pages may mix both files. Nothing is read again from a file that has changed.
void SQLiteStatement::CheckFileUnchanged(const QString& AFieldName) const {
    if (ListedFile && SQLiteFileStamp::Of(Db, sqlite3_column_database_name(Stmt.get(), 0)) != ListedFile) {
        throw MakeRowChanged(AFieldName, QStringLiteral("the database file changed after the row set read it"));
    }
}

void SQLiteStatement::Classify() {
    const int count = sqlite3_column_count(Stmt.get());
    ColumnInfos.reserve(count);
    FromKeyTable.clear();
    const QByteArray keyTable = FirstColumn ? QByteArray(sqlite3_column_table_name(Stmt.get(), 0)) : QByteArray();
    const QByteArray keyDatabase = FirstColumn ? QByteArray(sqlite3_column_database_name(Stmt.get(), 0)) : QByteArray();
    for (int i = FirstColumn; i < count; ++i) {
        const char* table = sqlite3_column_table_name(Stmt.get(), i);
        const char* database = sqlite3_column_database_name(Stmt.get(), i);
        FromKeyTable.append(FirstColumn && table && database && sqlite3_column_origin_name(Stmt.get(), i) &&
                            keyTable == table && keyDatabase == database);
        const QString name = QString::fromUtf8(sqlite3_column_name(Stmt.get(), i));
        const char* declared = sqlite3_column_decltype(Stmt.get(), i);
        const QString type = declared && *declared ? QString::fromUtf8(declared)
                                                   : SQLiteTypeClassifier::DeclaredTypeOfStorageClass(
                                                         RowPending ? sqlite3_column_type(Stmt.get(), i) : SQLITE_NULL);
        ColumnInfos.append(SQLiteTypeClassifier::Classify(name, type, [this, i] { return IsAutoInc(i); }));
    }
}

bool SQLiteStatement::IsAutoInc(int AColumn) const {
    const char* table = sqlite3_column_table_name(Stmt.get(), AColumn);
    const char* origin = sqlite3_column_origin_name(Stmt.get(), AColumn);
    if (!table || !origin) {
        return false;
    }
    int autoInc = 0;
    // A failure here only means the column has no table behind it, and so no autoincrement either.
    const int rc = sqlite3_table_column_metadata(Db, sqlite3_column_database_name(Stmt.get(), AColumn), table, origin,
                                                 nullptr, nullptr, nullptr, nullptr, &autoInc);
    return rc == SQLITE_OK && autoInc != 0;
}
