#include "data/sqlite/SQLiteValueReader.h"

#include "data/ByteArena.h"
#include "data/TDbErrors.h"
#include "data/sqlite/SQLiteTimeStamp.h"
#include "platform/AnsiCodePage.h"

namespace {

bool IsAscii(const char* AData, qsizetype ASize) {
    unsigned char any = 0;
    for (qsizetype i = 0; i < ASize; ++i) {
        any |= static_cast<unsigned char>(AData[i]);
    }
    return any < 0x80;
}

/// The text of the value; ATrim drops trailing characters below 33, AAnsi passes it through the ANSI code page.
/// Plain ASCII text goes into AArena when given.
QString ReadText(sqlite3_stmt* AStatement, int AColumn, bool ATrim, bool AAnsi, ByteArena* AArena) {
    const char* data = reinterpret_cast<const char*>(sqlite3_column_text(AStatement, AColumn));
    qsizetype size = sqlite3_column_bytes(AStatement, AColumn);
    if (ATrim) {
        while (size > 0 && static_cast<unsigned char>(data[size - 1]) < 33) {
            --size;
        }
    }
    if (IsAscii(data, size)) {
        return AArena ? AArena->StoreLatin1(data, size) : QString::fromLatin1(data, size);
    }
    const QString text = QString::fromUtf8(data, size);
    return AAnsi ? AnsiCodePage::toUnicode(AnsiCodePage::fromUnicode(text)) : text;
}

[[noreturn]] void ThrowOverflow(sqlite3_stmt* AStatement, int AColumn, qsizetype ALength, int AMaximum) {
    throw EDbError(QStringLiteral("[Strata][DatS]-32. Variable length column [%1] overflow. Value length - [%2], "
                                  "column maximum length - [%3]")
                       .arg(QString::fromUtf8(sqlite3_column_name(AStatement, AColumn)))
                       .arg(ALength)
                       .arg(AMaximum));
}

QVariant ReadTimeStamp(sqlite3_stmt* AStatement, int AColumn, int AType) {
    QDateTime value;
    if (AType == SQLITE_INTEGER || AType == SQLITE_FLOAT) {
        value = SQLiteTimeStamp::FromJulianDay(sqlite3_column_double(AStatement, AColumn));
    } else {
        const char* data = static_cast<const char*>(sqlite3_column_blob(AStatement, AColumn));
        value = SQLiteTimeStamp::FromText(QByteArrayView(data, sqlite3_column_bytes(AStatement, AColumn)));
    }
    return value.isValid() ? QVariant(value) : QVariant();
}

} // namespace

QVariant SQLiteValueReader::Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef, ByteArena* AArena) {
    const int type = sqlite3_column_type(AStatement, AColumn);
    if (type == SQLITE_NULL) {
        return {};
    }
    switch (ADef.Kind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
    case TDbFieldKind::WideString: {
        QString text = ReadText(AStatement, AColumn, true, ADef.Kind != TDbFieldKind::WideString, AArena);
        if (ADef.Size > 0 && text.size() > ADef.Size) {
            ThrowOverflow(AStatement, AColumn, text.size(), ADef.Size);
        }
        return text;
    }
    case TDbFieldKind::Memo:
        return ReadText(AStatement, AColumn, false, true, AArena);
    case TDbFieldKind::WideMemo:
        return ReadText(AStatement, AColumn, false, false, AArena);
    case TDbFieldKind::Integer:
        return static_cast<int>(sqlite3_column_int64(AStatement, AColumn));
    case TDbFieldKind::LargeInt:
        return static_cast<qint64>(sqlite3_column_int64(AStatement, AColumn));
    case TDbFieldKind::Boolean:
        return sqlite3_column_int64(AStatement, AColumn) != 0;
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return sqlite3_column_double(AStatement, AColumn);
    case TDbFieldKind::SQLTimeStamp:
        return ReadTimeStamp(AStatement, AColumn, type);
    case TDbFieldKind::Blob: {
        const char* data = static_cast<const char*>(sqlite3_column_blob(AStatement, AColumn));
        const int size = sqlite3_column_bytes(AStatement, AColumn);
        return AArena ? AArena->Store(data, size) : QByteArray(data, size);
    }
    }
    return {};
}
