#include "platform/ExecutablePath.h"

#include <windows.h>

#include <vector>

namespace ExecutablePath {

QString Get() {
    // The buffer grows until the path fits: paths may exceed MAX_PATH.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length < buffer.size()) {
            return QString::fromWCharArray(buffer.data(), length);
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace ExecutablePath
