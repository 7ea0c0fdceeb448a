#include "HostPath.h"

#include <QDir>

#include <windows.h>

#include <stdexcept>

QString HostPath(const QString& APath) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    // Through the generic function type, as the platform's loader hands out every entry point.
    static const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (toUnix == nullptr)
        throw std::runtime_error("the build machine's programs run only under Wine");
    const QString Native = QDir::toNativeSeparators(APath);
    char* UnixName = toUnix(reinterpret_cast<const wchar_t*>(Native.utf16()));
    if (UnixName == nullptr)
        throw std::runtime_error("no build machine path for " + APath.toStdString());
    const QString Result = QString::fromLocal8Bit(UnixName);
    HeapFree(GetProcessHeap(), 0, UnixName);
    return Result;
}
