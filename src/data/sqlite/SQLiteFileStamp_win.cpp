#include "data/sqlite/SQLiteFileStamp.h"

#include <windows.h>

#include <string>

namespace {

/// A file time, counted from 1970 as on the other platforms (from 1601 the count in nanoseconds would not fit).
std::chrono::nanoseconds FromTicks(LONGLONG ATicks) {
    constexpr LONGLONG ticksBefore1970 = 116444736000000000LL;
    return std::chrono::nanoseconds((ATicks - ticksBefore1970) * 100);
}

std::array<quint64, 2> Identity(const BY_HANDLE_FILE_INFORMATION& AInfo) {
    return {quint64(AInfo.dwVolumeSerialNumber), (quint64(AInfo.nFileIndexHigh) << 32) | AInfo.nFileIndexLow};
}

/// The identity of the file that AUtf8Path names now, through a handle that asks for its attributes only and lets
/// every other opener read, write and delete.
bool PathIdentity(const char* AUtf8Path, BY_HANDLE_FILE_INFORMATION& AInfo) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, AUtf8Path, -1, nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::wstring path(size_t(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, AUtf8Path, -1, path.data(), length);
    const HANDLE file =
        CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool read = GetFileInformationByHandle(file, &AInfo);
    CloseHandle(file);
    return read;
}

} // namespace

// The times come from the engine's own handle: the change time there is the one a copy does not carry over (it sets
// the last-write time it copies). The path is looked up apart, only to tell whether it still names that file.
bool SQLiteFileStamp::ReadFileState(sqlite3* ADb, const char* ASchema, const char* APath) {
    HANDLE open = nullptr;
    BY_HANDLE_FILE_INFORMATION openInfo{};
    FILE_BASIC_INFO times{};
    BY_HANDLE_FILE_INFORMATION pathInfo{};
    if (sqlite3_file_control(ADb, ASchema, SQLITE_FCNTL_WIN32_GET_HANDLE, &open) != SQLITE_OK || !open ||
        !GetFileInformationByHandle(open, &openInfo) ||
        !GetFileInformationByHandleEx(open, FileBasicInfo, &times, sizeof times) || !PathIdentity(APath, pathInfo)) {
        return false;
    }
    PathFile = Identity(pathInfo);
    PathIsOpenFile = PathFile == Identity(openInfo);
    Modified = FromTicks(times.LastWriteTime.QuadPart);
    Changed = FromTicks(times.ChangeTime.QuadPart);
    return true;
}
