#include "StatementRows.h"

QList<QVariantList> ReadAll(IDbStatement& AStatement) {
    QList<TDbBoundField> Fields;
    const QList<TDbColumnInfo>& Columns = AStatement.Result().Columns();
    for (int I = 0; I < Columns.size(); ++I)
        Fields << TDbBoundField{I, TDbFieldDef{Columns[I].Name, Columns[I].FieldKind, Columns[I].Length, 0, 0}};
    QList<QVariantList> Rows;
    QVariantList Row;
    while (AStatement.Result().Fetch(Fields, Row))
        Rows << Row;
    return Rows;
}
