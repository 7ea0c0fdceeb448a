#include "platform/AnsiCodePage.h"

#include <array>
#include <iconv.h>
#include <stdexcept>

namespace {

using ByteTable = std::array<char16_t, 256>;

/// The character of every byte of the code page, as iconv gives it. The five bytes Windows-1252 leaves undefined
/// (iconv refuses them) map to the C1 controls of the same value, as the platform's own conversion does.
ByteTable AskIconv() {
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

/// Asked once, on first use.
const ByteTable& table() {
    static const ByteTable characters = AskIconv();
    return characters;
}

/// The byte of a code point, or -1 when the code page lacks it.
int byteOf(char32_t codePoint) {
    if (codePoint < 0x80) {
        return static_cast<int>(codePoint);
    }
    const auto& characters = table();
    if (codePoint <= 0xFF && characters[codePoint] == codePoint) {
        return static_cast<int>(codePoint);
    }
    for (int byte = 0x80; byte < 0xA0; ++byte) {
        if (characters[byte] == codePoint) {
            return byte;
        }
    }
    return -1;
}

/// Calls f with each code point of text; a surrogate pair is one code point, a lone surrogate one of its own.
template <typename F> void forEachCodePoint(QStringView text, F f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text[i + 1]));
            ++i;
        } else {
            f(static_cast<char32_t>(c.unicode()));
        }
    }
}

bool isAscii(QByteArrayView bytes) {
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

} // namespace

QByteArray AnsiCodePage::fromUnicode(QStringView text) {
    QByteArray result;
    result.reserve(text.size());
    forEachCodePoint(text, [&result](char32_t codePoint) {
        const int byte = byteOf(codePoint);
        result.append(byte < 0 ? '?' : static_cast<char>(byte));
    });
    return result;
}

QString AnsiCodePage::toUnicode(QByteArrayView bytes) {
    if (isAscii(bytes)) {
        return QString::fromLatin1(bytes);
    }
    const auto& characters = table();
    QString result(bytes.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (char c : bytes) {
        *out++ = QChar(characters[static_cast<unsigned char>(c)]);
    }
    return result;
}

bool AnsiCodePage::canEncode(QStringView text) {
    bool encodable = true;
    forEachCodePoint(text, [&encodable](char32_t codePoint) { encodable = encodable && byteOf(codePoint) >= 0; });
    return encodable;
}
