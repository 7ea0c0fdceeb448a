#include "platform/PrivateProfile.h"

#include "platform/AnsiCodePage.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringList>
#include <QtEndian>

#include <optional>

namespace {

/// One line of the file: its text and the line end that followed it ("\r\n", "\n", "\r" or empty at the end of file).
struct Line {
    QString text;
    QString end;
};

struct KeyValue {
    QString name;
    QString value;
};

/// The platform's blanks: tab, line feed, vertical tab, form feed, carriage return, space and the DOS end-of-file
/// mark. A no-break space or any other Unicode space belongs to the name or value, as a pasted password may hold one.
bool isBlank(QChar c) {
    const char16_t unit = c.unicode();
    return (unit >= 0x09 && unit <= 0x0D) || unit == 0x1A || unit == 0x20;
}

QString trimBlanks(QStringView text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first])) {
        ++first;
    }
    while (last > first && isBlank(text[last - 1])) {
        --last;
    }
    return text.mid(first, last - first).toString();
}

/// The name of a section header line, or nothing when the line is not one.
std::optional<QString> sectionName(const QString& line) {
    const QString trimmed = trimBlanks(line);
    const qsizetype close = trimmed.lastIndexOf(QLatin1Char(']'));
    if (!trimmed.startsWith(QLatin1Char('[')) || close < 1) {
        return std::nullopt;
    }
    return trimBlanks(QStringView(trimmed).mid(1, close - 1));
}

/// The key and raw value of a "name=value" line, or nothing for any other line.
std::optional<KeyValue> keyValue(const QString& line) {
    const QString trimmed = trimBlanks(line);
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    if (equals < 0 || sectionName(line)) {
        return std::nullopt;
    }
    return KeyValue{trimBlanks(QStringView(trimmed).left(equals)), trimBlanks(QStringView(trimmed).mid(equals + 1))};
}

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isLineBreak(QChar c) {
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

/// Lines end in CR LF, LF or CR alone, as the platform reads them: a file with old Mac line ends is no single line.
QList<Line> splitLines(const QString& text) {
    QList<Line> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype textEnd = start;
        while (textEnd < text.size() && !isLineBreak(text[textEnd])) {
            ++textEnd;
        }
        QString end;
        if (textEnd < text.size()) {
            end = QStringView(text).mid(textEnd, 2) == u"\r\n" ? QStringLiteral("\r\n") : QString(text[textEnd]);
        }
        lines.append({text.mid(start, textEnd - start), end});
        start = textEnd + end.size();
    }
    return lines;
}

/// Line end for added lines: the file's own (CR LF wherever it has one), CR LF for a new or single-line file.
QString lineEndOf(const QString& text) {
    if (text.contains(QLatin1Char('\n')) && !text.contains(QLatin1String("\r\n"))) {
        return QStringLiteral("\n");
    }
    if (text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\n'))) {
        return QStringLiteral("\r");
    }
    return QStringLiteral("\r\n");
}

/// Index of the first header line of section, or -1.
qsizetype findSection(const QList<Line>& lines, const QString& section) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto name = sectionName(lines[i].text);
        if (name && sameName(*name, section)) {
            return i;
        }
    }
    return -1;
}

/// Index of the line after the last line of the section whose header is at header.
qsizetype sectionEnd(const QList<Line>& lines, qsizetype header) {
    qsizetype i = header + 1;
    while (i < lines.size() && !sectionName(lines[i].text)) {
        ++i;
    }
    return i;
}

/// How a file's text is stored: in the ANSI code page, or in UTF-8 or UTF-16 of either byte order behind their
/// byte-order mark.
enum class Encoding { Ansi, Utf8, Utf16LittleEndian, Utf16BigEndian };

struct FileText {
    QString text;
    Encoding encoding = Encoding::Ansi;
};

struct ByteOrderMark {
    Encoding encoding;
    QByteArrayView bytes;
};

constexpr ByteOrderMark kMarks[] = {{Encoding::Utf8, "\xEF\xBB\xBF"},
                                    {Encoding::Utf16LittleEndian, "\xFF\xFE"},
                                    {Encoding::Utf16BigEndian, "\xFE\xFF"}};

QByteArrayView markOf(Encoding encoding) {
    for (const ByteOrderMark& mark : kMarks) {
        if (mark.encoding == encoding) {
            return mark.bytes;
        }
    }
    return {};
}

/// The text of UTF-16 code units as stored, a lone surrogate included; an odd last byte is no character.
QString fromUtf16(QByteArrayView units, Encoding encoding) {
    QString text(units.size() / 2, Qt::Uninitialized);
    if (encoding == Encoding::Utf16BigEndian) {
        qFromBigEndian<quint16>(units.data(), text.size(), text.data());
    } else {
        qFromLittleEndian<quint16>(units.data(), text.size(), text.data());
    }
    return text;
}

QByteArray toUtf16(const QString& text, Encoding encoding) {
    QByteArray units(text.size() * 2, Qt::Uninitialized);
    if (encoding == Encoding::Utf16BigEndian) {
        qToBigEndian<quint16>(text.utf16(), text.size(), units.data());
    } else {
        qToLittleEndian<quint16>(text.utf16(), text.size(), units.data());
    }
    return units;
}

FileText decode(const QByteArray& bytes) {
    for (const ByteOrderMark& mark : kMarks) {
        if (bytes.startsWith(mark.bytes)) {
            const QByteArrayView content = QByteArrayView(bytes).sliced(mark.bytes.size());
            return {mark.encoding == Encoding::Utf8 ? QString::fromUtf8(content) : fromUtf16(content, mark.encoding),
                    mark.encoding};
        }
    }
    return {AnsiCodePage::toUnicode(bytes), Encoding::Ansi};
}

QByteArray encode(const QString& text, Encoding encoding) {
    if (encoding == Encoding::Ansi) {
        return AnsiCodePage::fromUnicode(text);
    }
    return markOf(encoding).toByteArray() + (encoding == Encoding::Utf8 ? text.toUtf8() : toUtf16(text, encoding));
}

std::optional<FileText> readFile(const QString& fileName) {
    // A FIFO blocks the open until a writer comes, a device may never end: only a regular file is read.
    if (!QFileInfo(fileName).isFile()) {
        return std::nullopt;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return decode(file.readAll());
}

QString stripQuotes(const QString& value) {
    if (value.size() >= 2 && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')) &&
        value.back() == value.front()) {
        return value.mid(1, value.size() - 2);
    }
    return value;
}

/// Puts key=value into lines: replaces the first matching key of the section, or adds the key (and the section).
void setKey(QList<Line>& lines, const QString& section, const QString& key, const QString& value,
            const QString& lineEnd) {
    const auto terminateLast = [&lines, &lineEnd](qsizetype before) {
        if (before > 0 && lines[before - 1].end.isEmpty()) {
            lines[before - 1].end = lineEnd;
        }
    };
    const qsizetype header = findSection(lines, section);
    if (header < 0) {
        terminateLast(lines.size());
        lines.append({QLatin1Char('[') + section + QLatin1Char(']'), lineEnd});
        lines.append({key + QLatin1Char('=') + value, lineEnd});
        return;
    }
    const qsizetype end = sectionEnd(lines, header);
    qsizetype insertAt = header + 1;
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto entry = keyValue(lines[i].text);
        if (entry && sameName(entry->name, key)) {
            lines[i].text = entry->name + QLatin1Char('=') + value;
            return;
        }
        if (!trimBlanks(lines[i].text).isEmpty()) {
            insertAt = i + 1;
        }
    }
    terminateLast(insertAt);
    lines.insert(insertAt, {key + QLatin1Char('=') + value, lineEnd});
}

bool saveFile(const QString& fileName, const QByteArray& content) {
    const bool isNew = !QFile::exists(fileName);
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    // A new file holds a password: nobody but its owner may read it, not even for a moment.
    if (isNew && !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        return false;
    }
    return file.write(content) == content.size() && file.commit();
}

} // namespace

bool PrivateProfile::CanStore(const QString& value) {
    return !value.contains(QLatin1Char('\n')) && !value.contains(QLatin1Char('\r')) && AnsiCodePage::canEncode(value);
}

QString PrivateProfile::GetString(const QString& section, const QString& key, const QString& defaultValue,
                                  int bufferSize, const QString& fileName) {
    const auto cut = [bufferSize](const QString& value) { return value.left(qMax(bufferSize - 1, 0)); };
    const auto file = readFile(fileName);
    if (!file || section.isEmpty()) {
        return cut(defaultValue);
    }
    const QList<Line> lines = splitLines(file->text);
    const qsizetype header = findSection(lines, section);
    if (header < 0) {
        return cut(defaultValue);
    }
    const qsizetype end = sectionEnd(lines, header);
    for (qsizetype i = header + 1; i < end; ++i) {
        const auto entry = keyValue(lines[i].text);
        if (entry && sameName(entry->name, key)) {
            return cut(stripQuotes(entry->value));
        }
    }
    return cut(defaultValue);
}

bool PrivateProfile::WriteString(const QString& section, const QString& key, const QString& value,
                                 const QString& fileName) {
    if (section.isEmpty() || key.isEmpty() || !CanStore(section) || !CanStore(key) || !CanStore(value)) {
        return false;
    }
    FileText file;
    if (QFile::exists(fileName)) {
        const auto existing = readFile(fileName);
        if (!existing) {
            return false;
        }
        file = *existing;
    }
    const QString lineEnd = lineEndOf(file.text);
    QList<Line> lines = splitLines(file.text);
    setKey(lines, section, key, value, lineEnd);

    QString result;
    for (const Line& line : lines) {
        result += line.text + line.end;
    }
    return saveFile(fileName, encode(result, file.encoding));
}
