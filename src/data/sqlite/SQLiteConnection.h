#pragma once

#include "data/IDbBackend.h"
#include "data/sqlite/SQLiteApi.h"

/// A connection to one SQLite database file ("Database" parameter; empty: a private in-memory database).
class SQLiteConnection : public IDbBackend {
public:
    void Open(const QStringList& AParams) override;
    void Close() override;
    std::unique_ptr<IDbStatement> Prepare(const QString& ASql) override;
    std::unique_ptr<IDbStatement> PrepareRowKeyed(const QString& ASql) override;

private:
    void Exec(sqlite3* ADb, const QString& ASql);

    SQLiteApi::Database Db;
};
