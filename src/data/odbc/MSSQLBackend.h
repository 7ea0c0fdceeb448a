#pragma once

/// Makes "DriverID=MSSQL" available to connections (SQL Server through ODBC). Calling it again changes nothing.
void RegisterMSSQLBackend();
