#include "data/odbc/OdbcDrivers.h"

#include "data/odbc/OdbcCall.h"
#include "data/odbc/OdbcConnectionString.h"

#include <optional>

namespace OdbcDrivers {

QStringList Installed(const OdbcHandle& AEnvironment) {
    QStringList names;
    SQLWCHAR name[512];
    SQLWCHAR attributes[2048];
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN result = OdbcCall::Check(
            SQLDriversW(AEnvironment.Get(), direction, name, 512, &nameLength, attributes, 2048, &attributesLength),
            AEnvironment, QString());
        if (result == SQL_NO_DATA) {
            break;
        }
        names << OdbcCall::FromWide(name, std::min<qsizetype>(nameLength, 511));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

QString Chosen(const OdbcHandle& AEnvironment) {
    static std::optional<QString> driver;
    if (!driver) {
        driver = OdbcConnectionString::ChooseDriver(Installed(AEnvironment));
    }
    return *driver;
}

} // namespace OdbcDrivers
