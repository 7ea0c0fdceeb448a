#include "data/odbc/OdbcDrivers.h"

#include "data/odbc/OdbcCall.h"
#include "data/odbc/OdbcConnectionString.h"

#include <optional>

namespace OdbcDrivers {

QStringList Installed(const OdbcHandle& AEnvironment) {
    QStringList Names;
    SQLWCHAR Name[512];
    SQLWCHAR Attributes[2048];
    SQLUSMALLINT Direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT NameLength = 0;
        SQLSMALLINT AttributesLength = 0;
        const SQLRETURN Result = OdbcCall::Check(
            SQLDriversW(AEnvironment.Get(), Direction, Name, 512, &NameLength, Attributes, 2048, &AttributesLength),
            AEnvironment, QString());
        if (Result == SQL_NO_DATA)
            break;
        Names << OdbcCall::FromWide(Name, std::min<qsizetype>(NameLength, 511));
        Direction = SQL_FETCH_NEXT;
    }
    return Names;
}

QString Chosen(const OdbcHandle& AEnvironment) {
    static std::optional<QString> Driver;
    if (!Driver)
        Driver = OdbcConnectionString::ChooseDriver(Installed(AEnvironment));
    return *Driver;
}

} // namespace OdbcDrivers
