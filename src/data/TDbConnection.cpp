#include "data/TDbConnection.h"

#include "data/DbActivity.h"
#include "data/DbBackends.h"
#include "data/DbErrorContext.h"
#include "data/FieldBinder.h"
#include "data/IDbBackend.h"
#include "data/IDbConnectionUser.h"
#include "data/ParameterScanner.h"
#include "data/TDbErrors.h"
#include "data/TDbParams.h"
#include "data/TDbQuery.h"

namespace {

using ParamList = QList<QPair<QString, QString>>;

[[noreturn]] void ThrowCountMismatch(const QString& AObjectName, qsizetype AExpected, qsizetype AGiven) {
    throw EDbError(QStringLiteral("%1: The statement has %2 parameter(s), %3 value(s) given")
                       .arg(AObjectName)
                       .arg(AExpected)
                       .arg(AGiven));
}

/// The values to bind per marker occurrence for the form with values and types, and the parameter list that errors
/// carry (one entry per distinct name).
QList<TDbBindValue> BindByName(const QString& AObjectName, const ParameterScanner& AScanner, const QStringList& AValues,
                               const QList<TDbFieldType>& ATypes, ParamList& AParams) {
    const QStringList& names = AScanner.DistinctNames();
    if (AValues.size() != names.size() || ATypes.size() != names.size()) {
        ThrowCountMismatch(AObjectName, names.size(), qMin(AValues.size(), ATypes.size()));
    }
    for (qsizetype i = 0; i < names.size(); ++i) {
        AParams.append({names[i], AValues[i]});
    }
    QList<TDbBindValue> values;
    values.reserve(AScanner.OccurrenceIndexes().size());
    for (int index : AScanner.OccurrenceIndexes()) {
        values.append({ATypes[index], AValues[index]});
    }
    return values;
}

QList<TDbBindValue> BindByPosition(const QString& AObjectName, const ParameterScanner& AScanner,
                                   const TDbParams& ACollection, ParamList& AParams) {
    const qsizetype markers = AScanner.Occurrences().size();
    if (ACollection.Count() != markers) {
        ThrowCountMismatch(AObjectName, markers, ACollection.Count());
    }
    QList<TDbBindValue> values;
    values.reserve(markers);
    for (int i = 0; i < ACollection.Count(); ++i) {
        AParams.append({ACollection[i].Name, ACollection[i].Value});
        values.append({ACollection[i].DataType, ACollection[i].Value});
    }
    return values;
}

} // namespace

TDbConnection::TDbConnection(QObject* AParent) : QObject(AParent) {}

TDbConnection::~TDbConnection() {
    Close();
    for (IDbConnectionUser* user : std::as_const(Users)) {
        user->ConnectionDestroyed();
    }
}

QString TDbConnection::ParamValue(const QString& AKey) const {
    for (const QString& line : Params) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals >= 0 && QStringView(line).left(equals).trimmed().compare(AKey, Qt::CaseInsensitive) == 0) {
            return line.mid(equals + 1);
        }
    }
    return {};
}

void TDbConnection::Open() {
    if (BackendConnection) {
        return;
    }
    WithErrorContext(objectName(), QString(), {}, [this] {
        std::unique_ptr<IDbBackend> backend = DbBackends::Create(ParamValue(QStringLiteral("DriverID")));
        backend->Open(Params);
        BackendConnection = std::move(backend);
    });
}

void TDbConnection::Close() {
    if (!BackendConnection) {
        return;
    }
    // Row sets first: their statements must go before the connection they were prepared on.
    // A slot of Closed may release another row set of this connection.
    const QList<IDbConnectionUser*> users = Users;
    for (IDbConnectionUser* user : users) {
        if (Users.contains(user)) {
            user->ConnectionClosing();
        }
    }
    Prepared.reset();
    PreparedSql.clear();
    std::unique_ptr<IDbBackend> backend = std::move(BackendConnection);
    backend->Close();
}

bool TDbConnection::Connected() const {
    return BackendConnection != nullptr;
}

IDbBackend& TDbConnection::Backend() {
    if (!BackendConnection) {
        throw EDbError(QStringLiteral("%1: Connection is closed").arg(objectName()));
    }
    return *BackendConnection;
}

IDbStatement& TDbConnection::PreparedFor(const QString& ASQL, const QString& APlaceholderSql) {
    if (!Prepared || PreparedSql != ASQL) {
        Prepared.reset();
        PreparedSql.clear();
        Prepared = Backend().Prepare(APlaceholderSql);
        PreparedSql = ASQL;
    }
    return *Prepared;
}

template <typename TResult>
auto TDbConnection::Execute(const QString& ASQL, const QString& APositionalSql, const ParamList& AParams,
                            const QList<TDbBindValue>& AValues, TResult&& AResult) {
    DbActivity::Scope activity;
    return WithErrorContext(objectName(), ASQL, AParams, [&] {
        IDbStatement& statement = PreparedFor(ASQL, APositionalSql);
        statement.Execute(AValues);
        return AResult(statement);
    });
}

qint64 TDbConnection::ExecSQL(const QString& ASQL, const QStringList& AValues, const QList<TDbFieldType>& ATypes) {
    const ParameterScanner scanner(ASQL);
    ParamList params;
    const QList<TDbBindValue> values = BindByName(objectName(), scanner, AValues, ATypes, params);
    return Execute(ASQL, scanner.PositionalSql(), params, values,
                   [](IDbStatement& AStatement) { return AStatement.RowsAffected(); });
}

qint64 TDbConnection::ExecSQL(const QString& ASQL, const TDbParams& AParams) {
    const ParameterScanner scanner(ASQL);
    ParamList params;
    const QList<TDbBindValue> values = BindByPosition(objectName(), scanner, AParams, params);
    return Execute(ASQL, scanner.PositionalSql(), params, values,
                   [](IDbStatement& AStatement) { return AStatement.RowsAffected(); });
}

qint64 TDbConnection::ExecSQL(const QString& ASQL, std::unique_ptr<TDbQuery>& AQuery) {
    auto query = std::make_unique<TDbQuery>(this);
    query->Open(ASQL);
    const qint64 count = query->FetchedRowCount();
    AQuery = std::move(query);
    return count;
}

QVariant TDbConnection::ExecSQLScalar(const QString& ASQL, const QStringList& AValues,
                                      const QList<TDbFieldType>& ATypes) {
    const ParameterScanner scanner(ASQL);
    ParamList params;
    const QList<TDbBindValue> values = BindByName(objectName(), scanner, AValues, ATypes, params);
    return Execute(ASQL, scanner.PositionalSql(), params, values, [](IDbStatement& AStatement) {
        IDbCursor& cursor = AStatement.Result();
        if (cursor.Columns().isEmpty()) {
            return QVariant();
        }
        const QList<TDbBoundField> first = {{0, FieldBinder::Derive(cursor.Columns().first())}};
        QVariantList row(1);
        return cursor.Fetch(first, row) && !row.isEmpty() ? row.first() : QVariant();
    });
}

void TDbConnection::Attach(IDbConnectionUser* AUser) {
    if (!Users.contains(AUser)) {
        Users.append(AUser);
    }
}

void TDbConnection::Detach(IDbConnectionUser* AUser) {
    Users.removeAll(AUser);
}
