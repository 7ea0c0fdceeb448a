#include "data/sqlite/SQLiteValueReader.h"

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

[[noreturn]] void ThrowOverflow(sqlite3_stmt* AStatement, int AColumn, qsizetype ALength, int AMaximum) {
    throw EDbError(QStringLiteral("[Strata][DatS]-32. Variable length column [%1] overflow. Value length - [%2], "
                                  "column maximum length - [%3]")
                       .arg(QString::fromUtf8(sqlite3_column_name(AStatement, AColumn)))
                       .arg(ALength)
                       .arg(AMaximum));
}

/// The text of the value; ATrim drops trailing characters below 33, AAnsi passes it through the ANSI code page.
/// Plain ASCII text is given as the engine's bytes; any other is converted into AConverted. AMaximum > 0 limits
/// its length in characters.
RowCell ReadText(sqlite3_stmt* AStatement, int AColumn, bool ATrim, bool AAnsi, int AMaximum, QString& AConverted) {
    const char* data = reinterpret_cast<const char*>(sqlite3_column_text(AStatement, AColumn));
    if (!data) {
        // No text for a null value; a value without bytes may give none either, and is the empty text.
        if (sqlite3_column_type(AStatement, AColumn) == SQLITE_NULL) {
            return {};
        }
        data = "";
    }
    qsizetype size = sqlite3_column_bytes(AStatement, AColumn);
    if (ATrim) {
        while (size > 0 && static_cast<unsigned char>(data[size - 1]) < 33) {
            --size;
        }
    }
    RowCell text;
    if (IsAscii(data, size)) {
        text = RowCell::Text(RowCell::TKind::Ascii, data, size);
    } else {
        AConverted = QString::fromUtf8(data, size);
        if (AAnsi) {
            AConverted = AnsiCodePage::toUnicode(AnsiCodePage::fromUnicode(AConverted));
        }
        text = RowCell::Text(RowCell::TKind::Utf16, AConverted.constData(), AConverted.size());
    }
    if (AMaximum > 0 && text.Size() > AMaximum) {
        ThrowOverflow(AStatement, AColumn, text.Size(), AMaximum);
    }
    return text;
}

RowCell ReadTimeStamp(sqlite3_stmt* AStatement, int AColumn, int AType) {
    std::optional<TDbMoment> value;
    if (AType == SQLITE_INTEGER || AType == SQLITE_FLOAT) {
        value = SQLiteTimeStamp::MomentFromJulianDay(sqlite3_column_double(AStatement, AColumn));
    } else {
        const char* data = static_cast<const char*>(sqlite3_column_blob(AStatement, AColumn));
        value = SQLiteTimeStamp::MomentFromText(QByteArrayView(data, sqlite3_column_bytes(AStatement, AColumn)));
    }
    return value ? RowCell::Moment(*value) : RowCell();
}

} // namespace

RowCell SQLiteValueReader::Cell(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef, QString& AConverted) {
    // Text tells a null value by itself, without asking for the value's type first.
    switch (ADef.Kind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
    case TDbFieldKind::WideString:
        return ReadText(AStatement, AColumn, true, ADef.Kind != TDbFieldKind::WideString, ADef.Size, AConverted);
    case TDbFieldKind::Memo:
        return ReadText(AStatement, AColumn, false, true, 0, AConverted);
    case TDbFieldKind::WideMemo:
        return ReadText(AStatement, AColumn, false, false, 0, AConverted);
    default:
        break;
    }
    const int type = sqlite3_column_type(AStatement, AColumn);
    if (type == SQLITE_NULL) {
        return {};
    }
    switch (ADef.Kind) {
    case TDbFieldKind::Integer:
        return RowCell::Number(RowCell::TKind::Integer, static_cast<int>(sqlite3_column_int64(AStatement, AColumn)));
    case TDbFieldKind::LargeInt:
        return RowCell::Number(RowCell::TKind::LargeInt, sqlite3_column_int64(AStatement, AColumn));
    case TDbFieldKind::Boolean:
        return RowCell::Number(RowCell::TKind::Boolean, sqlite3_column_int64(AStatement, AColumn) != 0);
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return RowCell::Real(sqlite3_column_double(AStatement, AColumn));
    case TDbFieldKind::SQLTimeStamp:
        return ReadTimeStamp(AStatement, AColumn, type);
    case TDbFieldKind::Blob: {
        const char* data = static_cast<const char*>(sqlite3_column_blob(AStatement, AColumn));
        return RowCell::Bytes(data, sqlite3_column_bytes(AStatement, AColumn));
    }
    default:
        return {};
    }
}

QVariant SQLiteValueReader::Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef) {
    QString converted;
    return Cell(AStatement, AColumn, ADef, converted).Value();
}
