#include "platform/AnsiCodePage.h"

#include <array>

namespace {

// Characters of the bytes 0x80..0x9F; 0xA0..0xFF equal their Latin-1 code points. The five undefined bytes map to
// U+0081, U+008D, U+008F, U+0090 and U+009D, as the platform's own conversion does.
constexpr std::array<char16_t, 32> kHighControls = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

/// The byte of a code point, or -1 when the code page lacks it.
int byteOf(char32_t codePoint) {
    if (codePoint < 0x80 || (codePoint >= 0xA0 && codePoint <= 0xFF)) {
        return static_cast<int>(codePoint);
    }
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == codePoint) {
            return static_cast<int>(0x80 + i);
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
    QString result(bytes.size(), Qt::Uninitialized);
    QChar* out = result.data();
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = (byte >= 0x80 && byte < 0xA0) ? QChar(kHighControls[byte - 0x80]) : QChar(byte);
    }
    return result;
}

bool AnsiCodePage::canEncode(QStringView text) {
    bool encodable = true;
    forEachCodePoint(text, [&encodable](char32_t codePoint) { encodable = encodable && byteOf(codePoint) >= 0; });
    return encodable;
}
