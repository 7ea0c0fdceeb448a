#include "data/sqlite/SQLiteRowLookup.h"

#include "data/sqlite/SQLiteValueReader.h"

#include <QStringList>

namespace {

QString Quoted(const char* AName) {
    return u'"' + QString::fromUtf8(AName).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

} // namespace

SQLiteRowLookup::SQLiteRowLookup(sqlite3* ADb, sqlite3_stmt* AListing, int AFirstColumn,
                                 const QList<bool>& AFromKeyTable, const QList<TDbBoundField>& AFields, int AIndex)
    : Db(ADb), Field(AFields[AIndex].Def) {
    QStringList columns{Quoted(sqlite3_column_origin_name(AListing, AFields[AIndex].Column + AFirstColumn))};
    for (int i = 0; i < AFields.size(); ++i) {
        const TDbBoundField& other = AFields[i];
        if (i != AIndex && !other.Def.Deferred && AFromKeyTable.value(other.Column)) {
            Identity.append(i);
            IdentityDefs.append(other.Def);
            columns.append(Quoted(sqlite3_column_origin_name(AListing, other.Column + AFirstColumn)));
        }
    }
    const int column = AFields[AIndex].Column + AFirstColumn;
    const QByteArray sql =
        QStringLiteral("select %1 from %2.%3 where rowid = ?")
            .arg(columns.join(QStringLiteral(", ")), Quoted(sqlite3_column_database_name(AListing, column)),
                 Quoted(sqlite3_column_table_name(AListing, column)))
            .toUtf8();
    sqlite3_stmt* prepared = nullptr;
    SQLiteApi::Check(Db, sqlite3_prepare_v2(Db, sql.constData(), int(sql.size()), &prepared, nullptr));
    Lookup.reset(prepared);
}

QVariant SQLiteRowLookup::Read(qint64 ARowKey, const QVariant* AListed) {
    sqlite3_stmt* statement = Lookup.get();
    SQLiteApi::Check(Db, sqlite3_bind_int64(statement, 1, ARowKey));
    const int rc = sqlite3_step(statement);
    QVariant value;
    bool same = rc == SQLITE_ROW;
    try {
        for (int i = 0; same && i < Identity.size(); ++i) {
            same = SQLiteValueReader::Read(statement, i + 1, IdentityDefs[i]) == AListed[Identity[i]];
        }
        if (same) {
            value = SQLiteValueReader::Read(statement, 0, Field);
        }
    } catch (const EDbError&) {
        // A value the listed row could be read with and this one cannot: not the row listed.
        same = false;
    }
    // The code sqlite3_reset returns repeats the step's, which is reported below.
    sqlite3_reset(statement);
    SQLiteApi::Check(Db, rc, SQLITE_ROW, SQLITE_DONE);
    if (!same) {
        ThrowChanged();
    }
    return value;
}

void SQLiteRowLookup::ThrowChanged() const {
    throw MakeRowChanged(Field.Name, QStringLiteral("its row changed in the database after the row set read it"));
}

EDbRowChanged MakeRowChanged(const QString& AFieldName, const QString& AReason) {
    const QString text = QStringLiteral("Field '%1': %2").arg(AFieldName, AReason);
    TDbDiagRecord record;
    record.MessageText = text;
    record.DisplayText = text;
    record.Kind = TDbErrorKind::NoDataFound;
    return EDbRowChanged(text, QStringLiteral("EDbRowChanged"), 1600, {record});
}
