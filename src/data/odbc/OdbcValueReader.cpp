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
    QByteArray Data;
    std::vector<char> Buffer(PieceSize);
    const qsizetype Room = qsizetype(Buffer.size()) - ATerminator;
    for (;;) {
        SQLLEN Indicator = 0;
        const SQLRETURN Result = OdbcCall::Check(SQLGetData(AStatement.Get(), SQLUSMALLINT(AColumn), ACType,
                                                            Buffer.data(), SQLLEN(Buffer.size()), &Indicator),
                                                 AStatement, ADriverFile);
        if (Result == SQL_NO_DATA)
            break;
        if (Indicator == SQL_NULL_DATA)
            return {};
        if (Indicator == SQL_NO_TOTAL || Indicator > Room) {
            Data.append(Buffer.data(), Room);
            continue;
        }
        Data.append(Buffer.data(), qsizetype(Indicator));
        break;
    }
    return Data;
}

template <typename T>
bool ReadFixed(const OdbcHandle& AStatement, int AColumn, SQLSMALLINT ACType, T& AValue, const QString& ADriverFile) {
    SQLLEN Indicator = 0;
    OdbcCall::Check(SQLGetData(AStatement.Get(), SQLUSMALLINT(AColumn), ACType, &AValue, sizeof(T), &Indicator),
                    AStatement, ADriverFile);
    return Indicator != SQL_NULL_DATA;
}

QString AsText(const QVariant& AValue) {
    if (AValue.typeId() == QMetaType::QByteArray)
        return QString::fromUtf8(AValue.toByteArray());
    if (AValue.typeId() == QMetaType::Double)
        return QString::number(AValue.toDouble(), 'g', 15);
    return AValue.toString();
}

QVariant ConvertText(const QVariant& AValue, const TDbFieldDef& ADef, const QString& AColumnName) {
    QString Text = AsText(AValue);
    if (ADef.Kind == TDbFieldKind::String || ADef.Kind == TDbFieldKind::FixedChar || ADef.Kind == TDbFieldKind::Memo)
        Text = AnsiCodePage::toUnicode(AnsiCodePage::fromUnicode(Text));
    const bool Limited = ADef.Kind != TDbFieldKind::Memo && ADef.Kind != TDbFieldKind::WideMemo && ADef.Size > 0;
    if (Limited && Text.size() > ADef.Size)
        throw EDbError(QStringLiteral("[Strata][DatS]-32. Variable length column [%1] overflow. Value length - [%2], "
                                      "column maximum length - [%3]")
                           .arg(AColumnName)
                           .arg(Text.size())
                           .arg(ADef.Size));
    return Text;
}

} // namespace

QVariant ReadColumn(const OdbcHandle& AStatement, int AColumn, TDbFieldKind AColumnKind, const QString& ADriverFile) {
    switch (AColumnKind) {
    case TDbFieldKind::Integer:
    case TDbFieldKind::LargeInt: {
        SQLBIGINT Value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_SBIGINT, Value, ADriverFile) ? QVariant(qint64(Value)) : QVariant();
    }
    case TDbFieldKind::Float: {
        SQLDOUBLE Value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_DOUBLE, Value, ADriverFile) ? QVariant(double(Value)) : QVariant();
    }
    case TDbFieldKind::Boolean: {
        SQLCHAR Value = 0;
        return ReadFixed(AStatement, AColumn, SQL_C_BIT, Value, ADriverFile) ? QVariant(Value != 0) : QVariant();
    }
    case TDbFieldKind::SQLTimeStamp: {
        SQL_TIMESTAMP_STRUCT Value{};
        if (!ReadFixed(AStatement, AColumn, SQL_C_TYPE_TIMESTAMP, Value, ADriverFile))
            return {};
        const QDate Date(Value.year, Value.month, Value.day);
        const QTime Time(Value.hour, Value.minute, Value.second, int(Value.fraction / 1000000));
        return QDateTime(Date, Time, Qt::UTC);
    }
    case TDbFieldKind::Blob:
        return ReadPieces(AStatement, AColumn, SQL_C_BINARY, 0, ADriverFile);
    default: {
        const QVariant Bytes = ReadPieces(AStatement, AColumn, SQL_C_WCHAR, sizeof(SQLWCHAR), ADriverFile);
        if (Bytes.isNull())
            return {};
        const QByteArray Utf16 = Bytes.toByteArray();
        return OdbcCall::FromWide(reinterpret_cast<const SQLWCHAR*>(Utf16.constData()),
                                  Utf16.size() / qsizetype(sizeof(SQLWCHAR)));
    }
    }
}

QVariant Convert(const QVariant& AValue, const TDbFieldDef& ADef, const QString& AColumnName) {
    if (AValue.isNull())
        return {};
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
