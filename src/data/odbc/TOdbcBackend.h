#pragma once

#include "data/IDbBackend.h"

#include <QString>

#include <memory>

class ConnectionSocket;
class OdbcHandle;
struct OdbcWireOwner;

/// The "MSSQL" back end: SQL Server through the ODBC driver manager's wide entry points, in auto-commit mode.
/// Parameter lines: Server, Database, User_Name, Password; "ODBCDriver=<name>" names the driver directly instead
/// of the usual choice among the installed SQL Server drivers.
class TOdbcBackend final : public IDbBackend {
public:
    TOdbcBackend();
    ~TOdbcBackend() override;

    void Open(const QStringList& AParams) override;
    void Close() override;
    std::unique_ptr<IDbStatement> Prepare(const QString& ASql) override;

    /// The driver named in the connection string of the last Open (empty when none was installed).
    const QString& DriverName() const { return Driver; }
    /// The DBMS version the server reported at connection time ("16.00.1000").
    const QString& ServerVersion() const { return DbmsVersion; }
    /// Whether ftWideMemo parameters go as nvarchar(max) on this connection (otherwise as ntext).
    bool WideMemoAsMax() const;

    /// Seconds an Open may wait for the server's login answer before it fails with SQL state HYT00, for every
    /// connection opened from then on; 15 by default. Statements have no time limit.
    static void SetLoginTimeout(int ASeconds);
    static int LoginTimeout();

private:
    std::unique_ptr<OdbcHandle> Environment;
    std::unique_ptr<OdbcHandle> Connection;
    std::shared_ptr<OdbcWireOwner> Wire;
    std::shared_ptr<ConnectionSocket> Socket;
    QString Driver;
    QString DriverFile;
    QString DbmsVersion;
};
