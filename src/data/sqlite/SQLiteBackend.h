#pragma once

#include "data/IDbBackend.h"

/// A new, closed SQLite back-end connection.
std::unique_ptr<IDbBackend> CreateSQLiteBackend();
/// Makes "DriverID=SQLite" available to connections. Calling it again changes nothing.
void RegisterSQLiteBackend();
