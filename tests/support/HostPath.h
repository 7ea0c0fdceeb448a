#pragma once

#include <QString>

/// A file path of this process as the build machine's programs name it: the SQL Server stand-in, and the ODBC drivers
/// a Windows test under Wine reaches through the build machine's driver manager. The same path on Linux.
QString HostPath(const QString& APath);
