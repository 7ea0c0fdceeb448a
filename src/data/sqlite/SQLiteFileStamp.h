#pragma once

#include <sqlite3.h>

#include <QtGlobal>

#include <array>
#include <chrono>
#include <optional>

/// One state of a database file as another writer would leave it: its size and header as the engine's own file
/// handle sees them, and its modification time. A plain write to the file (a copy over it) changes at least one of
/// them, while the engine's locks cannot stop such a write nor its page cache notice it.
class SQLiteFileStamp {
public:
    /// The stamp of the file behind schema ASchema of ADb; none for a database without a file (in memory).
    static std::optional<SQLiteFileStamp> Of(sqlite3* ADb, const char* ASchema);

    bool operator==(const SQLiteFileStamp&) const = default;

private:
    /// Read or looked up as far as it could be: a file that is gone, or unreadable, gives a stamp of its own.
    bool Complete = false;
    qint64 Size = -1;
    /// The whole header: change counter, page count, free-list and schema cookie among it.
    std::array<unsigned char, 100> Header{};
    std::chrono::nanoseconds Modified{0};
};
