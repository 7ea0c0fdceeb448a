#include "data/FieldBinder.h"

#include "data/TDbErrors.h"

namespace {

bool Accepts(TDbFieldKind AField, const TDbColumnInfo& AColumn) {
    if (AColumn.IsInterval) {
        return false;
    }
    static const QStringList text = {"String", "FixedChar", "Guid"};
    static const QStringList wideText = {"String", "FixedChar", "Guid", "WideString", "FixedWideChar"};
    static const QStringList integer = {"Integer", "SmallInt", "Word", "ShortInt", "Byte", "AutoInc"};
    static const QStringList largeInt = {"Integer", "SmallInt", "Word",     "ShortInt",
                                         "Byte",    "AutoInc",  "LongWord", "LargeInt"};
    static const QStringList floating = {"Float", "Single", "Currency"};
    static const QStringList blob = {"Blob", "Memo", "WideMemo", "dBaseOle"};
    static const QStringList memo = {"Memo", "WideMemo"};
    const QString& kind = AColumn.KindName;
    switch (AField) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
        return text.contains(kind);
    case TDbFieldKind::WideString:
        return wideText.contains(kind);
    case TDbFieldKind::Integer:
        return integer.contains(kind);
    case TDbFieldKind::LargeInt:
        return largeInt.contains(kind);
    case TDbFieldKind::Float:
        return floating.contains(kind);
    case TDbFieldKind::BCD:
        return kind == u"BCD";
    case TDbFieldKind::SQLTimeStamp:
        return kind == u"SQLTimeStamp";
    case TDbFieldKind::Blob:
        return blob.contains(kind);
    case TDbFieldKind::Memo:
    case TDbFieldKind::WideMemo:
        return memo.contains(kind);
    case TDbFieldKind::Boolean:
        return kind == u"Boolean";
    }
    return false;
}

[[noreturn]] void Fail(const QString& AObjectName, const QString& AReason) {
    throw EDbError(QStringLiteral("%1: %2").arg(AObjectName, AReason));
}

} // namespace

bool FieldBinder::IsTextKind(TDbFieldKind AKind) {
    return AKind == TDbFieldKind::String || AKind == TDbFieldKind::FixedChar || AKind == TDbFieldKind::WideString;
}

QString FieldBinder::KindName(TDbFieldKind AKind) {
    switch (AKind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
        return QStringLiteral("String");
    case TDbFieldKind::WideString:
        return QStringLiteral("WideString");
    case TDbFieldKind::Integer:
        return QStringLiteral("Integer");
    case TDbFieldKind::LargeInt:
        return QStringLiteral("LargeInt");
    case TDbFieldKind::Float:
        return QStringLiteral("Float");
    case TDbFieldKind::BCD:
        return QStringLiteral("BCD");
    case TDbFieldKind::SQLTimeStamp:
        return QStringLiteral("SQLTimeStamp");
    case TDbFieldKind::Blob:
        return QStringLiteral("Blob");
    case TDbFieldKind::Memo:
        return QStringLiteral("Memo");
    case TDbFieldKind::WideMemo:
        return QStringLiteral("WideMemo");
    case TDbFieldKind::Boolean:
        return QStringLiteral("Boolean");
    }
    return {};
}

TDbFieldDef FieldBinder::Derive(const TDbColumnInfo& AColumn) {
    TDbFieldDef def;
    def.Name = AColumn.Name;
    def.Kind = AColumn.FieldKind;
    def.Size = IsTextKind(AColumn.FieldKind) ? AColumn.Length : 0;
    def.Precision = AColumn.Precision;
    def.Scale = AColumn.Scale;
    return def;
}

QList<TDbBoundField> FieldBinder::Bind(const QString& AObjectName, const QList<TDbFieldDef>& ADeclared,
                                       const QList<TDbColumnInfo>& AColumns) {
    QList<TDbBoundField> bound;
    if (ADeclared.isEmpty()) {
        bound.reserve(AColumns.size());
        for (int i = 0; i < AColumns.size(); ++i) {
            bound.append({i, Derive(AColumns[i])});
        }
        return bound;
    }
    bound.reserve(ADeclared.size());
    for (const TDbFieldDef& declared : ADeclared) {
        int column = 0;
        while (column < AColumns.size() && AColumns[column].Name.compare(declared.Name, Qt::CaseInsensitive) != 0) {
            ++column;
        }
        if (column == AColumns.size()) {
            Fail(AObjectName, QStringLiteral("Field '%1' not found").arg(declared.Name));
        }
        const TDbColumnInfo& info = AColumns[column];
        if (!Accepts(declared.Kind, info)) {
            Fail(AObjectName, QStringLiteral("Type mismatch for field '%1', expecting: %2 actual: %3")
                                  .arg(declared.Name, KindName(declared.Kind), info.KindName));
        }
        if (declared.Kind == TDbFieldKind::BCD && info.Scale != declared.Scale) {
            Fail(AObjectName, QStringLiteral("Size mismatch for field '%1', expecting: %2 actual: %3")
                                  .arg(declared.Name)
                                  .arg(declared.Scale)
                                  .arg(info.Scale));
        }
        TDbBoundField field{column, declared};
        if (IsTextKind(declared.Kind) && info.Length > 0 && (declared.Size <= 0 || info.Length < declared.Size)) {
            field.Def.Size = info.Length;
        }
        bound.append(field);
    }
    return bound;
}
