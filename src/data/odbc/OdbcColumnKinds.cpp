#include "data/odbc/OdbcColumnKinds.h"

#include "data/DecimalKind.h"
#include "data/odbc/OdbcApi.h"

#include <algorithm>
#include <limits>

namespace OdbcColumnKinds {

namespace {

constexpr int SqlServerXml = -152;
constexpr int SqlServerTime2 = -154;
constexpr int SqlServerDateTimeOffset = -155;

void Set(TDbColumnInfo& AInfo, const char* AKindName, TDbFieldKind AKind, qint64 ALength = 0) {
    AInfo.KindName = QLatin1String(AKindName);
    AInfo.FieldKind = AKind;
    AInfo.Length = int(std::min<qint64>(ALength, std::numeric_limits<int>::max()));
}

bool IsLong(qint64 ASize) {
    return ASize <= 0 || ASize >= LongThreshold;
}

} // namespace

TDbColumnInfo Classify(const QString& AName, int ASqlType, qint64 AColumnSize, int ADecimalDigits) {
    TDbColumnInfo info;
    info.Name = AName;
    switch (ASqlType) {
    case SQL_CHAR:
        if (IsLong(AColumnSize)) {
            Set(info, "Memo", TDbFieldKind::Memo);
        } else {
            Set(info, "FixedChar", TDbFieldKind::FixedChar, AColumnSize);
        }
        break;
    case SQL_VARCHAR:
        if (IsLong(AColumnSize)) {
            Set(info, "Memo", TDbFieldKind::Memo);
        } else {
            Set(info, "String", TDbFieldKind::String, AColumnSize);
        }
        break;
    case SQL_LONGVARCHAR:
        Set(info, "Memo", TDbFieldKind::Memo);
        break;
    case SQL_WCHAR:
        if (IsLong(AColumnSize)) {
            Set(info, "WideMemo", TDbFieldKind::WideMemo);
        } else {
            Set(info, "FixedWideChar", TDbFieldKind::WideString, AColumnSize);
        }
        break;
    case SQL_WVARCHAR:
        if (IsLong(AColumnSize)) {
            Set(info, "WideMemo", TDbFieldKind::WideMemo);
        } else {
            Set(info, "WideString", TDbFieldKind::WideString, AColumnSize);
        }
        break;
    case SQL_WLONGVARCHAR:
    case SqlServerXml:
        Set(info, "WideMemo", TDbFieldKind::WideMemo);
        break;
    case SQL_GUID:
        Set(info, "Guid", TDbFieldKind::WideString, 38);
        break;
    case SQL_BIT:
        Set(info, "Boolean", TDbFieldKind::Boolean);
        break;
    case SQL_TINYINT:
        Set(info, "Byte", TDbFieldKind::Integer);
        break;
    case SQL_SMALLINT:
        Set(info, "SmallInt", TDbFieldKind::Integer);
        break;
    case SQL_INTEGER:
        Set(info, "Integer", TDbFieldKind::Integer);
        break;
    case SQL_BIGINT:
        Set(info, "LargeInt", TDbFieldKind::LargeInt);
        break;
    case SQL_REAL:
        Set(info, "Single", TDbFieldKind::Float);
        break;
    case SQL_FLOAT:
    case SQL_DOUBLE:
        Set(info, "Float", TDbFieldKind::Float);
        break;
    case SQL_NUMERIC:
    case SQL_DECIMAL:
        Set(info, DecimalKindName(AColumnSize, ADecimalDigits), TDbFieldKind::BCD);
        info.Precision = int(AColumnSize);
        info.Scale = ADecimalDigits;
        break;
    case SQL_TYPE_DATE:
    case SQL_DATE:
        Set(info, "Date", TDbFieldKind::SQLTimeStamp);
        break;
    case SQL_TYPE_TIME:
    case SQL_TIME:
    case SqlServerTime2:
        Set(info, "Time", TDbFieldKind::SQLTimeStamp);
        break;
    case SQL_TYPE_TIMESTAMP:
    case SQL_TIMESTAMP:
    case SqlServerDateTimeOffset:
        Set(info, "SQLTimeStamp", TDbFieldKind::SQLTimeStamp);
        break;
    case SQL_BINARY:
        if (IsLong(AColumnSize)) {
            Set(info, "Blob", TDbFieldKind::Blob);
        } else {
            Set(info, "Bytes", TDbFieldKind::Blob, AColumnSize);
        }
        break;
    case SQL_VARBINARY:
        if (IsLong(AColumnSize)) {
            Set(info, "Blob", TDbFieldKind::Blob);
        } else {
            Set(info, "VarBytes", TDbFieldKind::Blob, AColumnSize);
        }
        break;
    case SQL_LONGVARBINARY:
        Set(info, "Blob", TDbFieldKind::Blob);
        break;
    default:
        // A type of no known kind is read as text, which every driver can give.
        Set(info, "WideMemo", TDbFieldKind::WideMemo);
        break;
    }
    return info;
}

} // namespace OdbcColumnKinds
