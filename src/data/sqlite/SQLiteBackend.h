#pragma once

#include "data/IDbBackend.h"

/// A new, closed SQLite back-end connection.
std::unique_ptr<IDbBackend> CreateSQLiteBackend();
/// Makes "DriverID=SQLite" available (the layer also does so by itself on first use of the registry).
void RegisterSQLiteBackend();
