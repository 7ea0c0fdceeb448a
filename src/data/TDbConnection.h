#pragma once

#include "data/TDbFieldType.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <memory>

class IDbBackend;
class IDbConnectionUser;
class IDbStatement;
class TDbParams;
class TDbQuery;
class TDbTransaction;
struct TDbBindValue;

/// A database connection over the back end that its DriverID parameter names. UI thread only.
class TDbConnection : public QObject {
    Q_OBJECT
public:
    explicit TDbConnection(QObject* AParent = nullptr);
    ~TDbConnection() override;

    /// "Key=Value" lines, DriverID first; edits take effect at the next Open.
    QStringList Params;
    /// The value of a parameter line (text after the first "="); empty when absent.
    QString ParamValue(const QString& AKey) const;

    TDbTransaction* Transaction = nullptr;       ///< not owned
    TDbTransaction* UpdateTransaction = nullptr; ///< not owned

    /// Connects as Params say; does nothing when open. A failure leaves it closed.
    void Open();
    /// Closes every row set opened on it, drops the prepared statement and disconnects; nothing when closed.
    void Close();
    bool Connected() const;

    /// Binds by distinct marker name: AValues[i] / ATypes[i] go to the i-th distinct name. Rows affected.
    qint64 ExecSQL(const QString& ASQL, const QStringList& AValues, const QList<TDbFieldType>& ATypes);
    /// Binds by position: the n-th marker occurrence takes AParams[n]. Rows affected.
    qint64 ExecSQL(const QString& ASQL, const TDbParams& AParams);
    /// Opens a new row set the caller owns; the count is 0 exactly when the result has no rows.
    qint64 ExecSQL(const QString& ASQL, std::unique_ptr<TDbQuery>& AQuery);
    /// First column of the first row; a null QVariant when there is no row or column.
    QVariant ExecSQLScalar(const QString& ASQL, const QStringList& AValues, const QList<TDbFieldType>& ATypes);

    /// The back end of the open connection (for row sets of this layer).
    IDbBackend& Backend();
    /// Row sets opened on this connection: each is closed before the connection closes, and told when it is
    /// destroyed while they are still attached.
    void Attach(IDbConnectionUser* AUser);
    void Detach(IDbConnectionUser* AUser);

private:
    IDbStatement& PreparedFor(const QString& ASQL, const QString& APlaceholderSql);
    /// Runs ASQL (prepared once while it stays the statement of this connection) with AValues inside the layer's
    /// activity and error context (AParams name the values in its errors); AResult reads what it returns from the
    /// executed statement.
    template <typename TResult>
    auto Execute(const QString& ASQL, const QString& APositionalSql, const QList<QPair<QString, QString>>& AParams,
                 const QList<TDbBindValue>& AValues, TResult&& AResult);

    std::unique_ptr<IDbBackend> BackendConnection;
    std::unique_ptr<IDbStatement> Prepared;
    QString PreparedSql;
    QList<IDbConnectionUser*> Users;
};
