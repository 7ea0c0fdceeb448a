#include "platform/FileModified.h"

#include <windows.h>

#include <string>

namespace FileModified {

// The runtime's stat keeps whole seconds only; the file system keeps 100-nanosecond steps.
std::optional<std::chrono::nanoseconds> Time(const char* AUtf8Path) {
    const int Length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, AUtf8Path, -1, nullptr, 0);
    if (Length <= 0)
        return std::nullopt;
    std::wstring Path(size_t(Length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, AUtf8Path, -1, Path.data(), Length);
    WIN32_FILE_ATTRIBUTE_DATA Attributes{};
    if (!GetFileAttributesExW(Path.c_str(), GetFileExInfoStandard, &Attributes))
        return std::nullopt;
    const ULONGLONG Ticks =
        (ULONGLONG(Attributes.ftLastWriteTime.dwHighDateTime) << 32) | Attributes.ftLastWriteTime.dwLowDateTime;
    // Counted from 1601, in nanoseconds the count would not fit: from 1970, as on the other platforms.
    constexpr LONGLONG TicksBefore1970 = 116444736000000000LL;
    return std::chrono::nanoseconds((LONGLONG(Ticks) - TicksBefore1970) * 100);
}

} // namespace FileModified
