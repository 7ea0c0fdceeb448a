#include "data/odbc/OdbcValueReader.h"

#include "data/TDbErrors.h"
#include "data/odbc/OdbcCall.h"
#include "platform/AnsiCodePage.h"

#include <QByteArray>
#include <QDateTime>

#include <vector>

namespace OdbcValueReader {

namespace {

constexpr std::size_t PieceSize = 16384;

/// Reads a value of any length: SQLGetData hands it out piece by piece, each text piece with a terminator.
QVariant ReadPieces(const OdbcHandle& AStatement, int AColumn, SQLSMALLINT ACType, qsizetype ATerminator,
                    const QString& ADriverFile) {
    QByteArray data;
    std::vector<char> buffer(PieceSize);
    const qsizetype room = qsizetype(buffer.size()) - ATerminator;
    for (;;) {
        SQLLEN indicator = 0;
        const SQLRETURN result = OdbcCall::Check(SQLGetData(AStatement.Get(), SQLUSMALLINT(AColumn), ACType,
                                                            buffer.data(), SQLLEN(buffer.size()), &indicator),
                                                 AStatement, ADriverFile);
        if (result == SQL_NO_DATA) {
            break;
        }
        if (indicator == SQL_NULL_DATA) {
            return {};
        }
        if (indicator == SQL_NO_TOTAL || indicator > room) {
            data.append(buffer.data(), room);
            continue;
        }
        data.append(buffer.data(), qsizetype(indicator));
        break;
    }
    return data;
}

template <typename T>
bool ReadFixed(const OdbcHandle& AStatement, int AColumn, SQLSMALLINT ACType, T& AValue, const QString& ADriverFile) {
    SQLLEN indicator = 0;
    OdbcCall::Check(SQLGetData(AStatement.Get(), SQLUSMALLINT(AColumn), ACType, &AValue, sizeof(T), &indicator),
                    AStatement, ADriverFile);
    return indicator != SQL_NULL_DATA;
}

QString AsText(const QVariant& AValue) {
    if (AValue.typeId() == QMetaType::QByteArray) {
        return QString::fromUtf8(AValue.toByteArray());
    }
    if (AValue.typeId() == QMetaType::Double) {
        return QString::number(AValue.toDouble(), 'g', 15);
    }
    return AValue.toString();
}

QVariant ConvertText(const QVariant& AValue, const TDbFieldDef& ADef, const QString& AColumnName) {
    QString text = AsText(AValue);
    if (ADef.Kind == TDbFieldKind::String || ADef.Kind == TDbFieldKind::FixedChar || ADef.Kind == TDbFieldKind::Memo) {
        text = AnsiCodePage::toUnicode(AnsiCodePage::fromUnicode(text));
    }
    const bool limited = ADef.Kind != TDbFieldKind::Memo && ADef.Kind != TDbFieldKind::WideMemo && ADef.Size > 0;
    if (limited && text.size() > ADef.Size) {
        throw EDbError(QStringLiteral("[Strata][DatS]-32. Variable length column [%1] overflow. Value length - [%2], "
                                      "column maximum length - [%3]")
                           .arg(AColumnName)
                           .arg(text.size())
                           .arg(ADef.Size));
    }
    return text;
}

} // namespace

QVariant ReadColumn(const OdbcHandle& AStatement, int AColumn, TDbFieldKind AColumnKind, const QString& ADriverFile) {
    switch (AColumnKind) {
    case TDbFieldKind::Integer:
    case TDbFieldKind::LargeInt: {
        SQLBIGINT value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_SBIGINT, value, ADriverFile) ? QVariant(qint64(value)) : QVariant();
    }
    case TDbFieldKind::Float: {
        SQLDOUBLE value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_DOUBLE, value, ADriverFile) ? QVariant(double(value)) : QVariant();
    }
    case TDbFieldKind::Boolean: {
        SQLCHAR value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_BIT, value, ADriverFile) ? QVariant(value != 0) : QVariant();
    }
    case TDbFieldKind::SQLTimeStamp: {
        SQL_TIMESTAMP_STRUCT value{};
        if (!ReadFixed(AStatement, AColumn, SQL_C_TYPE_TIMESTAMP, value, ADriverFile)) {
            return {};
        }
        const QDate date(value.year, value.month, value.day);
        const QTime time(value.hour, value.minute, value.second, int(value.fraction / 1000000));
        return QDateTime(date, time, Qt::UTC);
    }
    case TDbFieldKind::Blob:
        return ReadPieces(AStatement, AColumn, SQL_C_BINARY, 0, ADriverFile);
    default: {
        const QVariant bytes = ReadPieces(AStatement, AColumn, SQL_C_WCHAR, sizeof(SQLWCHAR), ADriverFile);
        if (bytes.isNull()) {
            return {};
        }
        const QByteArray utf16 = bytes.toByteArray();
        return OdbcCall::FromWide(reinterpret_cast<const SQLWCHAR*>(utf16.constData()),
                                  utf16.size() / qsizetype(sizeof(SQLWCHAR)));
    }
    }
}

QVariant Convert(const QVariant& AValue, const TDbFieldDef& ADef, const QString& AColumnName) {
    if (AValue.isNull()) {
        return {};
    }
    switch (ADef.Kind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
    case TDbFieldKind::WideString:
    case TDbFieldKind::Memo:
    case TDbFieldKind::WideMemo:
        return ConvertText(AValue, ADef, AColumnName);
    case TDbFieldKind::Integer:
        return AValue.toInt();
    case TDbFieldKind::LargeInt:
        return AValue.toLongLong();
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return AValue.toDouble();
    case TDbFieldKind::Boolean:
        return AValue.toBool();
    case TDbFieldKind::SQLTimeStamp:
        return AValue.toDateTime();
    case TDbFieldKind::Blob:
        return AValue.typeId() == QMetaType::QString ? AValue.toString().toUtf8() : AValue.toByteArray();
    }
    return AValue;
}

} // namespace OdbcValueReader
