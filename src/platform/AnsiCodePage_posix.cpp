#include "platform/AnsiCodePagePlatform.h"

#include <iconv.h>
#include <stdexcept>

namespace AnsiCodePagePlatform {

/// Windows-1252, as iconv gives it. The five bytes Windows-1252 leaves undefined (iconv refuses them) map to the C1
/// controls of the same value, as the conversion of Windows does.
ByteTable Characters() {
    iconv_t converter = iconv_open("UTF-32LE", "WINDOWS-1252");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        throw std::runtime_error("Windows-1252 conversion is not available");
    }
    ByteTable characters{};
    for (int byte = 0; byte < 256; ++byte) {
        char in = static_cast<char>(byte);
        std::array<unsigned char, 4> out{};
        char* inPtr = &in;
        auto* outPtr = reinterpret_cast<char*>(out.data());
        std::size_t inLeft = 1;
        std::size_t outLeft = out.size();
        const bool converted = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
        iconv(converter, nullptr, nullptr, nullptr, nullptr);
        const char32_t codePoint = out[0] | (out[1] << 8) | (out[2] << 16) | (static_cast<char32_t>(out[3]) << 24);
        characters[byte] = converted && codePoint <= 0xFFFF ? static_cast<char16_t>(codePoint) : char16_t(byte);
    }
    iconv_close(converter);
    return characters;
}

QByteArray Replacement(QStringView) {
    return QByteArrayLiteral("?");
}

} // namespace AnsiCodePagePlatform
