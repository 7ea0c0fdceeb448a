#include "data/sqlite/SQLiteConnection.h"

#include "data/DbBackends.h"
#include "data/sqlite/SQLiteBackend.h"
#include "data/sqlite/SQLiteStatement.h"

namespace {

QString ParamValue(const QStringList& AParams, QStringView AKey) {
    for (const QString& line : AParams) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && QStringView(line).left(equals).trimmed().compare(AKey, Qt::CaseInsensitive) == 0) {
            return line.mid(equals + 1);
        }
    }
    return {};
}

/// The engine's memory for all connections of the process, past which it recycles its own page cache instead of
/// growing it. Without it, cache_size = 10000 lets a scan of a large file fill about 40 MiB of fresh pages on every
/// open, only to hand them back at the close; the pragma itself stays as every open must issue it.
constexpr sqlite3_int64 SoftHeapLimit = sqlite3_int64(8) << 20;

} // namespace

void SQLiteConnection::Open(const QStringList& AParams) {
    Close();
    sqlite3_soft_heap_limit64(SoftHeapLimit);
    const QString path = ParamValue(AParams, u"Database");
    const QByteArray name = path.isEmpty() ? QByteArrayLiteral(":memory:") : path.toUtf8();
    sqlite3* handle = nullptr;
    // A connection is only ever used by the thread that opened it, so the engine's per-call locking of the
    // connection (several lock pairs per value read) is left out: the threading mode alone, nothing else changes.
    const int rc = sqlite3_open_v2(name.constData(), &handle,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    SQLiteApi::Database db(handle);
    SQLiteApi::Check(db.get(), rc);
    SQLiteApi::Check(db.get(), sqlite3_extended_result_codes(db.get(), 1));
    // No busy handler: a statement meeting another process's lock fails at once.
    SQLiteApi::Check(db.get(), sqlite3_busy_timeout(db.get(), 0));
    Exec(db.get(), QStringLiteral("PRAGMA cache_size = 10000"));
    Exec(db.get(), QStringLiteral("PRAGMA locking_mode = Exclusive"));
    Exec(db.get(), QStringLiteral("PRAGMA synchronous = Off"));
    Exec(db.get(), QStringLiteral("PRAGMA journal_mode = Delete"));
    Exec(db.get(), QStringLiteral("PRAGMA foreign_keys = On"));
    Db = std::move(db);
}

void SQLiteConnection::Exec(sqlite3* ADb, const QString& ASql) {
    try {
        SQLiteStatement statement(ADb, ASql);
        statement.Execute({});
    } catch (EDbEngineError& error) {
        error.CommandText = ASql;
        throw;
    }
}

void SQLiteConnection::Close() {
    Db.reset();
}

std::unique_ptr<IDbStatement> SQLiteConnection::Prepare(const QString& ASql) {
    if (!Db) {
        throw EDbError(QStringLiteral("The SQLite connection is not open"));
    }
    return std::make_unique<SQLiteStatement>(Db.get(), ASql);
}

std::unique_ptr<IDbStatement> SQLiteConnection::PrepareRowKeyed(const QString& ASql) {
    if (!Db) {
        throw EDbError(QStringLiteral("The SQLite connection is not open"));
    }
    return SQLiteStatement::RowKeyed(Db.get(), ASql);
}

std::unique_ptr<IDbBackend> CreateSQLiteBackend() {
    return std::make_unique<SQLiteConnection>();
}

void RegisterSQLiteBackend() {
    DbBackends::Register(QStringLiteral("SQLite"), [] { return CreateSQLiteBackend(); });
}
