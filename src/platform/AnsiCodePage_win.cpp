#include "platform/AnsiCodePagePlatform.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace AnsiCodePagePlatform {

/// The system's active code page, through the platform's own conversion without flags. Brazilian machines run
/// Windows-1252; a code page with characters of two bytes is refused rather than garbled.
ByteTable Characters() {
    const UINT codePage = GetACP();
    CPINFO info{};
    if (!GetCPInfo(codePage, &info)) {
        throw std::runtime_error("ANSI code page " + std::to_string(codePage) + " is not available");
    }
    if (info.MaxCharSize != 1) {
        throw std::runtime_error("ANSI code page " + std::to_string(codePage) +
                                 " has characters of more than one byte");
    }
    ByteTable characters{};
    for (int byte = 0; byte < 256; ++byte) {
        const char in = static_cast<char>(byte);
        wchar_t out[2] = {};
        const int written = MultiByteToWideChar(codePage, 0, &in, 1, out, 2);
        characters[byte] = written == 1 ? static_cast<char16_t>(out[0]) : char16_t(byte);
    }
    return characters;
}

/// What the platform's conversion makes of the character: its best-fit letter where it has one ("ł" becomes "l"),
/// else the code page's default character.
QByteArray Replacement(QStringView character) {
    const auto* units = reinterpret_cast<const wchar_t*>(character.utf16());
    const int length = static_cast<int>(character.size());
    char out[8] = {};
    const int written = WideCharToMultiByte(CP_ACP, 0, units, length, out, sizeof out, nullptr, nullptr);
    return written > 0 ? QByteArray(out, written) : QByteArrayLiteral("?");
}

} // namespace AnsiCodePagePlatform
