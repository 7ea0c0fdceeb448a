#include "platform/AnsiCodePage.h"

#include "platform/AnsiCodePagePlatform.h"

namespace {

/// Asked once, on first use.
const AnsiCodePagePlatform::ByteTable& table() {
    static const AnsiCodePagePlatform::ByteTable characters = AnsiCodePagePlatform::Characters();
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
    for (int byte = 0x80; byte < 0x100; ++byte) {
        if (characters[byte] == codePoint) {
            return byte;
        }
    }
    return -1;
}

/// Calls f with each code point of text and the UTF-16 units it takes; a surrogate pair is one code point, a lone
/// surrogate one of its own.
template <typename F> void forEachCodePoint(QStringView text, F f) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text[i + 1]), text.mid(i, 2));
            ++i;
        } else {
            f(static_cast<char32_t>(c.unicode()), text.mid(i, 1));
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
    forEachCodePoint(text, [&result](char32_t codePoint, QStringView units) {
        const int byte = byteOf(codePoint);
        if (byte < 0) {
            result.append(AnsiCodePagePlatform::Replacement(units));
        } else {
            result.append(static_cast<char>(byte));
        }
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
    forEachCodePoint(
        text, [&encodable](char32_t codePoint, QStringView) { encodable = encodable && byteOf(codePoint) >= 0; });
    return encodable;
}
