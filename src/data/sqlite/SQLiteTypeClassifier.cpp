#include "data/sqlite/SQLiteTypeClassifier.h"

#include "data/DecimalKind.h"

#include <sqlite3.h>

namespace {

constexpr int ShortLimit = 32767;

struct ParsedType {
    QString Name;
    QString Modifier;
    int Length = 0; ///< the first argument; 0 when absent
    int Scale = 0;
    bool HasLength = false;
    bool HasScale = false;
};

ParsedType Parse(const QString& ADeclared) {
    ParsedType type;
    const QString upper = ADeclared.toUpper();
    const qsizetype open = upper.indexOf(u'(');
    const qsizetype close = open < 0 ? -1 : upper.indexOf(u')', open);
    // A modifier may also follow the arguments: "DECIMAL(5,0) UNSIGNED".
    QString name =
        (open < 0 ? upper : upper.left(open) + u' ' + (close < 0 ? QString() : upper.mid(close + 1))).simplified();
    if (open >= 0) {
        const QStringList arguments = upper.mid(open + 1, close < 0 ? -1 : close - open - 1).split(u',');
        bool ok = false;
        type.Length = arguments.value(0).trimmed().toInt(&ok);
        type.HasLength = ok;
        if (arguments.size() > 1) {
            type.Scale = arguments.value(1).trimmed().toInt(&ok);
            type.HasScale = ok;
        }
    }
    const qsizetype blank = name.indexOf(u' ');
    if (blank >= 0) {
        type.Modifier = name.mid(blank + 1);
        name.truncate(blank);
    }
    if (name == u"UNSIGNED" && !type.Modifier.isEmpty()) {
        std::swap(name, type.Modifier);
    }
    type.Name = name;
    return type;
}

bool In(const QString& AName, std::initializer_list<const char16_t*> ANames) {
    for (const char16_t* name : ANames) {
        if (AName == QStringView(name)) {
            return true;
        }
    }
    return false;
}

TDbFieldKind FieldKindOf(const QString& AKind) {
    static const QHash<QString, TDbFieldKind> kinds = {
        {"Boolean", TDbFieldKind::Boolean},
        {"ShortInt", TDbFieldKind::Integer},
        {"Byte", TDbFieldKind::Integer},
        {"SmallInt", TDbFieldKind::Integer},
        {"Word", TDbFieldKind::Integer},
        {"Integer", TDbFieldKind::Integer},
        {"AutoInc", TDbFieldKind::Integer},
        {"LongWord", TDbFieldKind::LargeInt},
        {"LargeInt", TDbFieldKind::LargeInt},
        {"Float", TDbFieldKind::Float},
        {"Single", TDbFieldKind::Float},
        {"Currency", TDbFieldKind::Float},
        {"BCD", TDbFieldKind::BCD},
        {"FMTBcdField", TDbFieldKind::BCD},
        {"Date", TDbFieldKind::SQLTimeStamp},
        {"DateTime", TDbFieldKind::SQLTimeStamp},
        {"SQLTimeStamp", TDbFieldKind::SQLTimeStamp},
        {"Time", TDbFieldKind::SQLTimeStamp},
        {"FixedChar", TDbFieldKind::FixedChar},
        {"String", TDbFieldKind::String},
        {"Guid", TDbFieldKind::String},
        {"FixedWideChar", TDbFieldKind::WideString},
        {"WideString", TDbFieldKind::WideString},
        {"VarBytes", TDbFieldKind::Blob},
        {"Bytes", TDbFieldKind::Blob},
        {"Blob", TDbFieldKind::Blob},
        {"dBaseOle", TDbFieldKind::Blob},
        {"Memo", TDbFieldKind::Memo},
        {"WideMemo", TDbFieldKind::WideMemo},
    };
    return kinds.value(AKind, TDbFieldKind::WideString);
}

TDbColumnInfo Make(const QString& AName, const QString& AKind, int ALength = 0, int APrecision = 0, int AScale = 0) {
    TDbColumnInfo info;
    info.Name = AName;
    info.KindName = AKind;
    info.FieldKind = FieldKindOf(AKind);
    info.Length = ALength;
    info.Precision = APrecision;
    info.Scale = AScale;
    return info;
}

QString FloatKind(const ParsedType& AType, const QString& APlainKind) {
    if (!AType.HasLength || AType.Length <= 16) {
        return APlainKind;
    }
    return QString::fromLatin1(DecimalKindName(AType.Length, AType.Scale));
}

QString DecimalKind(int APrecision, int AScale, bool AUnsigned) {
    if (AScale == 0) {
        const int limits[4] = {AUnsigned ? 3 : 2, AUnsigned ? 5 : 4, AUnsigned ? 10 : 9, AUnsigned ? 21 : 20};
        const char* kinds[4] = {AUnsigned ? "Byte" : "ShortInt", AUnsigned ? "Word" : "SmallInt",
                                AUnsigned ? "LongWord" : "Integer", "LargeInt"};
        for (int i = 0; i < 4; ++i) {
            if (APrecision <= limits[i]) {
                return QString::fromLatin1(kinds[i]);
            }
        }
    }
    return QString::fromLatin1(DecimalKindName(APrecision, AScale));
}

} // namespace

QString SQLiteTypeClassifier::DeclaredTypeOfStorageClass(int AStorageClass) {
    switch (AStorageClass) {
    case SQLITE_INTEGER:
        return QStringLiteral("INT64");
    case SQLITE_FLOAT:
        return QStringLiteral("REAL");
    case SQLITE_TEXT:
        return QStringLiteral("NVARCHAR(%1)").arg(ShortLimit);
    case SQLITE_BLOB:
        return QStringLiteral("BLOB");
    default:
        return {};
    }
}

TDbColumnInfo SQLiteTypeClassifier::Classify(const QString& AColumnName, const QString& ADeclaredType,
                                             const std::function<bool()>& AIsAutoInc) {
    const ParsedType type = Parse(ADeclaredType);
    const QString& name = type.Name;
    const QString& modifier = type.Modifier;
    const bool isUnsigned = modifier == u"UNSIGNED";
    const bool shortLength = type.HasLength && type.Length < ShortLimit;
    const int length = type.HasLength ? type.Length : 0;
    const QString& column = AColumnName;

    if (name == u"INTEGER" && In(AColumnName.toUpper(), {u"ROWID", u"_ROWID_", u"OID"})) {
        return Make(column, "LargeInt");
    }
    if (In(name, {u"BIT", u"BOOL", u"BOOLEAN", u"LOGICAL", u"YESNO"})) {
        return Make(column, "Boolean");
    }
    if (In(name, {u"TINYINT", u"SHORTINT", u"INT8"})) {
        return Make(column, isUnsigned ? "Byte" : "ShortInt");
    }
    if (In(name, {u"BYTE", u"UINT8"})) {
        return Make(column, "Byte");
    }
    if (In(name, {u"SMALLINT", u"INT16"})) {
        return Make(column, isUnsigned ? "Word" : "SmallInt");
    }
    if (In(name, {u"WORD", u"UINT16", u"YEAR"})) {
        return Make(column, "Word");
    }
    if (In(name, {u"MEDIUMINT", u"INTEGER", u"INT", u"INT32"})) {
        if (AIsAutoInc && AIsAutoInc()) {
            return Make(column, "AutoInc");
        }
        return Make(column, isUnsigned ? "LongWord" : "Integer");
    }
    if (In(name, {u"LONGWORD", u"UINT32"})) {
        return Make(column, "LongWord");
    }
    if (In(name, {u"BIGINT", u"INT64", u"COUNTER", u"AUTOINCREMENT", u"IDENTITY", u"LONGLONGWORD", u"UINT64"})) {
        return Make(column, "LargeInt");
    }
    if (In(name, {u"FLOAT", u"REAL", u"DOUBLE", u"SINGLE"})) {
        return Make(column, FloatKind(type, name == u"SINGLE" ? QStringLiteral("Single") : QStringLiteral("Float")), 0,
                    length, type.Scale);
    }
    if (In(name, {u"DECIMAL", u"DEC", u"NUMERIC", u"NUMBER"})) {
        const int precision = type.HasLength ? type.Length : 10;
        const int scale = type.HasScale ? type.Scale : 0;
        return Make(column, DecimalKind(precision, scale, isUnsigned), 0, precision, scale);
    }
    if (In(name, {u"MONEY", u"SMALLMONEY", u"CURRENCY", u"FINANCIAL"})) {
        return Make(column, "Currency");
    }
    if (In(name, {u"DATE", u"SMALLDATE"})) {
        return Make(column, "Date");
    }
    if (In(name, {u"DATETIME", u"SMALLDATETIME"})) {
        return Make(column, "DateTime");
    }
    if (name == u"TIMESTAMP") {
        return Make(column, "SQLTimeStamp");
    }
    if (name == u"TIME") {
        return Make(column, "Time");
    }
    const bool character = In(name, {u"CHAR", u"CHARACTER"});
    if (character && modifier.isEmpty()) {
        return Make(column, "FixedChar", type.HasLength ? length : ShortLimit);
    }
    if (In(name, {u"VARCHAR", u"VARCHAR2", u"TYNITEXT"}) || (character && modifier == u"VARYING")) {
        return Make(column, "String", type.HasLength ? length : ShortLimit);
    }
    const bool national = name == u"NATIONAL";
    if (name == u"NCHAR" || (national && In(modifier, {u"CHAR", u"CHARACTER"}))) {
        return Make(column, "FixedWideChar", length);
    }
    if (In(name, {u"NVARCHAR", u"NVARCHAR2", u"STRING"}) ||
        (national && In(modifier, {u"CHAR VARYING", u"CHARACTER VARYING", u"VARYING CHAR", u"VARYING CHARACTER"}))) {
        return Make(column, "WideString", length);
    }
    if (In(name, {u"RAW", u"TYNIBLOB", u"VARBINARY"}) ||
        (name == u"BINARY" && (modifier.isEmpty() || modifier == u"VARYING"))) {
        if (type.HasLength && type.Length > ShortLimit) {
            return Make(column, "Blob", length);
        }
        return Make(column, name == u"BINARY" && modifier.isEmpty() ? "Bytes" : "VarBytes", length);
    }
    const bool isLong = name == u"LONG";
    if (In(name, {u"BLOB", u"MEDIUMBLOB", u"LONGBLOB", u"TINYBLOB", u"GENERAL", u"LONGVARBINARY", u"OLEOBJECT",
                  u"IMAGE", u"GRAPHIC", u"PICTURE", u"PHOTO"}) ||
        (isLong && In(modifier, {u"BINARY", u"RAW"}))) {
        return Make(column, shortLength ? "VarBytes" : "Blob", length);
    }
    if (In(name, {u"MEDIUMTEXT", u"LONGTEXT", u"CLOB", u"MEMO", u"NOTE", u"LONGCHAR", u"LONGVARCHAR", u"TINYTEXT"}) ||
        (isLong && (modifier.isEmpty() || modifier == u"TEXT"))) {
        return Make(column, shortLength ? "String" : "Memo", length);
    }
    if (In(name, {u"TEXT", u"NTEXT", u"WTEXT", u"NCLOB", u"NMEMO", u"LONGWCHAR", u"LONGWVARCHAR", u"HTML"}) ||
        (isLong && In(modifier, {u"NTEXT", u"WTEXT"})) || (national && modifier == u"TEXT")) {
        return Make(column, type.HasLength && type.Length <= ShortLimit ? "WideString" : "WideMemo", length);
    }
    if (In(name, {u"XMLDATA", u"XMLTYPE", u"XML"})) {
        return Make(column, "dBaseOle");
    }
    if (In(name, {u"GUID", u"UNIQUEIDENTIFIER"})) {
        return Make(column, "Guid");
    }
    if (name == u"INTERVAL") {
        TDbColumnInfo interval = Make(column, "String");
        interval.IsInterval = true;
        return interval;
    }
    return Make(column, "WideString", length);
}
