#include "HostSide.h"

#include <QDir>

#include <windows.h>

#include <stdexcept>

namespace HostSide {

QString Program(const QString& name) {
    // Wine starts a build machine's program given its path on the drive that maps the root.
    return QStringLiteral("Z:\\usr\\bin\\") + name;
}

QString Path(const QString& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    // Through the generic function type, as the platform's loader hands out every entry point.
    static const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    if (toUnix == nullptr) {
        throw std::runtime_error("the build machine's programs run only under Wine");
    }
    const QString native = QDir::toNativeSeparators(path);
    char* unixName = toUnix(reinterpret_cast<const wchar_t*>(native.utf16()));
    if (unixName == nullptr) {
        throw std::runtime_error("no build machine path for " + path.toStdString());
    }
    const QString result = QString::fromLocal8Bit(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

qint64 ProcessId() {
    return 0;
}

} // namespace HostSide
