#include "data/sqlite/SQLiteFileStamp.h"

#include <sys/stat.h>

namespace {

std::chrono::nanoseconds Nanoseconds(const timespec& ATime) {
    return std::chrono::seconds(ATime.tv_sec) + std::chrono::nanoseconds(ATime.tv_nsec);
}

} // namespace

// The path's file by stat; whether the engine's handle is still on it, by the engine's own comparison of the two
// inodes (its handle is not ours to fstat).
bool SQLiteFileStamp::ReadFileState(sqlite3* ADb, const char* ASchema, const char* APath) {
    struct stat info {};
    int moved = 1;
    if (stat(APath, &info) != 0 || sqlite3_file_control(ADb, ASchema, SQLITE_FCNTL_HAS_MOVED, &moved) != SQLITE_OK) {
        return false;
    }
    PathFile = {quint64(info.st_dev), quint64(info.st_ino)};
    PathIsOpenFile = moved == 0;
    Modified = Nanoseconds(info.st_mtim);
    Changed = Nanoseconds(info.st_ctim);
    return true;
}
