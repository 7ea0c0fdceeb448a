#pragma once

#include <QString>

#include <sqlite3.h>

#include <stdexcept>

/// Runs statements on a database file with the engine directly, apart from the layer under test.
class SqliteTestFile {
public:
    explicit SqliteTestFile(const QString& APath) {
        if (sqlite3_open_v2(APath.toUtf8().constData(), &Db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
            SQLITE_OK) {
            throw std::runtime_error(sqlite3_errmsg(Db));
        }
    }
    ~SqliteTestFile() { sqlite3_close_v2(Db); }
    SqliteTestFile(const SqliteTestFile&) = delete;
    SqliteTestFile& operator=(const SqliteTestFile&) = delete;

    /// The engine's result code; AThrow raises on anything but SQLITE_OK.
    int Exec(const QString& ASql, bool AThrow = true) {
        char* error = nullptr;
        const int rc = sqlite3_exec(Db, ASql.toUtf8().constData(), nullptr, nullptr, &error);
        const std::string message = error ? error : "";
        sqlite3_free(error);
        if (rc != SQLITE_OK && AThrow) {
            throw std::runtime_error(message);
        }
        return rc;
    }

    sqlite3* Handle() const { return Db; }

private:
    sqlite3* Db = nullptr;
};
