#pragma once

#include "data/odbc/OdbcApi.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>

/// One diagnostic record of a failed ODBC call.
struct OdbcDiag {
    QString state;
    int native = 0;
    QString message;
};

class OdbcError : public std::runtime_error {
public:
    OdbcError(const QString& call, QList<OdbcDiag> records);
    const QList<OdbcDiag>& records() const { return Records; }
    /// First record, or an empty one.
    OdbcDiag first() const { return Records.value(0); }

private:
    QList<OdbcDiag> Records;
};

/// A value bound as an input parameter: SQL type (SQL_VARCHAR, SQL_WVARCHAR, SQL_WLONGVARCHAR, SQL_INTEGER) and
/// column size (0: the value's length). A QString travels from the client as UTF-16 (SQL_C_WCHAR), a QByteArray as
/// 8-bit text (SQL_C_CHAR) in the driver's client character set.
struct OdbcParam {
    QVariant value;
    SQLSMALLINT sqlType = SQL_WVARCHAR;
    SQLULEN columnSize = 0;
};

/// A result column as SQLDescribeCol describes it.
struct OdbcColumnType {
    SQLSMALLINT type = 0;
    SQLULEN size = 0;
    SQLSMALLINT digits = 0;
    bool operator==(const OdbcColumnType&) const = default;
};

struct OdbcResult {
    QList<QVariantList> rows;
    QStringList columns;
    QList<OdbcColumnType> types;
    SQLLEN rowCount = -1;
};

/// Minimal raw ODBC 3 client (Unicode entry points) for checking the stand-in through the real driver manager and
/// driver. Every failure throws OdbcError with all diagnostic records.
class OdbcClient {
public:
    OdbcClient();
    ~OdbcClient();
    OdbcClient(const OdbcClient&) = delete;
    OdbcClient& operator=(const OdbcClient&) = delete;

    void connect(const QString& connectionString);
    void disconnect();
    bool connected() const { return Connected; }
    QString info(SQLUSMALLINT infoType);

    /// SQLExecDirect, or SQLPrepare + SQLExecute (repeat times on the same prepared statement) when prepared.
    OdbcResult execute(const QString& sql, const QList<OdbcParam>& params = {}, bool prepared = false, int repeat = 1);
    /// SQL_ATTR_AUTOCOMMIT: off keeps a transaction open until endTransaction().
    void setAutocommit(bool on);
    /// SQLEndTran: commit or roll back the connection's transaction.
    void endTransaction(bool commit);
    /// Seconds after which a statement is cancelled by the driver (0: none).
    void setQueryTimeout(SQLULEN seconds) { QueryTimeout = seconds; }

private:
    struct Handle;
    std::unique_ptr<Handle> Env;
    std::unique_ptr<Handle> Dbc;
    bool Connected = false;
    SQLULEN QueryTimeout = 0;
};
