#include "data/sqlite/SQLiteValueReader.h"

#include "data/TDbErrors.h"
#include "data/sqlite/SQLiteTimeStamp.h"
#include "platform/AnsiCodePage.h"

#include <cstring>

namespace {

bool IsAscii(const char* AData, qsizetype ASize) {
    // Eight bytes at a time: a byte of 0x80 or above sets its top bit in the union of all.
    quint64 any = 0;
    qsizetype i = 0;
    for (; i + 8 <= ASize; i += 8) {
        quint64 word = 0;
        std::memcpy(&word, AData + i, 8);
        any |= word;
    }
    for (; i < ASize; ++i) {
        any |= static_cast<unsigned char>(AData[i]);
    }
    return (any & 0x8080808080808080ULL) == 0;
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
RowCell ReadText(sqlite3_stmt* AStatement, int AColumn, sqlite3_value* AValue, bool ATrim, bool AAnsi, int AMaximum,
                 QString& AConverted) {
    const char* data = reinterpret_cast<const char*>(sqlite3_value_text(AValue));
    if (!data) {
        // No text for a null value; a value without bytes may give none either, and is the empty text.
        if (sqlite3_value_type(AValue) == SQLITE_NULL) {
            return {};
        }
        data = "";
    }
    qsizetype size = sqlite3_value_bytes(AValue);
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

RowCell ReadTimeStamp(sqlite3_value* AValue, int AType) {
    std::optional<TDbMoment> value;
    if (AType == SQLITE_INTEGER || AType == SQLITE_FLOAT) {
        value = SQLiteTimeStamp::MomentFromJulianDay(sqlite3_value_double(AValue));
    } else {
        const char* data = static_cast<const char*>(sqlite3_value_blob(AValue));
        value = SQLiteTimeStamp::MomentFromText(QByteArrayView(data, sqlite3_value_bytes(AValue)));
    }
    return value ? RowCell::Moment(*value) : RowCell();
}

} // namespace

RowCell SQLiteValueReader::Cell(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef, QString& AConverted) {
    // The column's value is taken once and read by the value functions: each column function would look the
    // column up again. Such a value is not for use by two threads at once, and a statement here has one.
    sqlite3_value* value = sqlite3_column_value(AStatement, AColumn);
    // Text tells a null value by itself, without asking for the value's type first.
    switch (ADef.Kind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
    case TDbFieldKind::WideString:
        return ReadText(AStatement, AColumn, value, true, ADef.Kind != TDbFieldKind::WideString, ADef.Size, AConverted);
    case TDbFieldKind::Memo:
        return ReadText(AStatement, AColumn, value, false, true, 0, AConverted);
    case TDbFieldKind::WideMemo:
        return ReadText(AStatement, AColumn, value, false, false, 0, AConverted);
    default:
        break;
    }
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL) {
        return {};
    }
    switch (ADef.Kind) {
    case TDbFieldKind::Integer:
        return RowCell::Number(RowCell::TKind::Integer, static_cast<int>(sqlite3_value_int64(value)));
    case TDbFieldKind::LargeInt:
        return RowCell::Number(RowCell::TKind::LargeInt, sqlite3_value_int64(value));
    case TDbFieldKind::Boolean:
        return RowCell::Number(RowCell::TKind::Boolean, sqlite3_value_int64(value) != 0);
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return RowCell::Real(sqlite3_value_double(value));
    case TDbFieldKind::SQLTimeStamp:
        return ReadTimeStamp(value, type);
    case TDbFieldKind::Blob: {
        const char* data = static_cast<const char*>(sqlite3_value_blob(value));
        return RowCell::Bytes(data, sqlite3_value_bytes(value));
    }
    default:
        return {};
    }
}

QVariant SQLiteValueReader::Read(sqlite3_stmt* AStatement, int AColumn, const TDbFieldDef& ADef) {
    QString converted;
    return Cell(AStatement, AColumn, ADef, converted).Value();
}
