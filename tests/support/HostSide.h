#pragma once

#include <QString>

/// What a test tells a program of the build machine that it starts (the SQL Server stand-in runs there, under
/// python3). On Windows under Wine the two name programs, files and processes differently.
namespace HostSide {

/// How to start the build machine's program name.
QString Program(const QString& name);

/// A file path of this process as the build machine names it.
QString Path(const QString& path);

/// This process's id as the build machine knows it; 0 when it has none there.
qint64 ProcessId();

} // namespace HostSide
