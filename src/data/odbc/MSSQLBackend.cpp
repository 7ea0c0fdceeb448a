#include "data/odbc/MSSQLBackend.h"

#include "data/DbBackends.h"
#include "data/odbc/TOdbcBackend.h"

void RegisterMSSQLBackend() {
    DbBackends::Register(QStringLiteral("MSSQL"), [] { return std::make_unique<TOdbcBackend>(); });
}
