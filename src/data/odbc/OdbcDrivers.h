#pragma once

#include <QString>
#include <QStringList>

class OdbcHandle;

/// The ODBC drivers the driver manager knows.
namespace OdbcDrivers {

/// Names of the installed drivers, as SQLDrivers lists them.
QStringList Installed(const OdbcHandle& AEnvironment);

/// The SQL Server driver this process uses, chosen on the first call and kept; empty when none is installed.
QString Chosen(const OdbcHandle& AEnvironment);

} // namespace OdbcDrivers
