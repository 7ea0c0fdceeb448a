#include "data/sqlite/SQLiteFileStamp.h"

std::optional<SQLiteFileStamp> SQLiteFileStamp::Of(sqlite3* ADb, const char* ASchema) {
    const char* name = sqlite3_db_filename(ADb, ASchema);
    sqlite3_file* file = nullptr;
    if (!name || !*name || sqlite3_file_control(ADb, ASchema, SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods) {
        return std::nullopt;
    }
    SQLiteFileStamp stamp;
    // Through the engine's own handle: a second handle on the file, once closed, would drop the engine's POSIX locks.
    sqlite3_int64 size = -1;
    const bool read = file->pMethods->xFileSize(file, &size) == SQLITE_OK &&
                      file->pMethods->xRead(file, stamp.Header.data(), int(stamp.Header.size()), 0) == SQLITE_OK;
    stamp.Size = size;
    const bool state = stamp.ReadFileState(ADb, ASchema, name);
    stamp.Complete = read && state;
    return stamp;
}
