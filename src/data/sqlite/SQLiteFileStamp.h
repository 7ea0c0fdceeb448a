#pragma once

#include <sqlite3.h>

#include <QtGlobal>

#include <array>
#include <chrono>
#include <optional>

/// One state of a database file as another writer would leave it: its size and header as the engine's own file
/// handle sees them, which file its path names and whether that is still the engine's, and the file's modification
/// and change times. A write to the file (a copy over it, one that sets the modification time back included) or a
/// file put in its place changes at least one of them, while the engine's locks cannot stop either nor its page
/// cache notice them.
class SQLiteFileStamp {
public:
    /// The stamp of the file behind schema ASchema of ADb; none for a database without a file (in memory).
    static std::optional<SQLiteFileStamp> Of(sqlite3* ADb, const char* ASchema);

    bool operator==(const SQLiteFileStamp&) const = default;

private:
    /// Reads what the platform tells of the file: identity and times. False when it could not be had whole. One
    /// source file per platform.
    bool ReadFileState(sqlite3* ADb, const char* ASchema, const char* APath);

    /// Read or looked up as far as it could be: a file that is gone, or unreadable, gives a stamp of its own.
    bool Complete = false;
    qint64 Size = -1;
    /// The whole header: change counter, page count, free-list and schema cookie among it.
    std::array<unsigned char, 100> Header{};
    /// The file the path names (device and inode, or volume and file index), and whether the engine has that one
    /// open: a file moved or renamed into its place is another, whatever it holds.
    std::array<quint64, 2> PathFile{};
    bool PathIsOpenFile = false;
    std::chrono::nanoseconds Modified{0};
    /// Set to the present by every write and by every change of the other times; nothing a copy does sets it back.
    std::chrono::nanoseconds Changed{0};
};
