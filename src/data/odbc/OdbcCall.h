#pragma once

#include "data/TDbErrors.h"
#include "data/odbc/OdbcApi.h"

#include <QList>
#include <QString>

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the wide ODBC entry points must take UTF-16");

/// One ODBC handle (environment, connection or statement), freed with its owner; a connection marked connected is
/// disconnected first.
class OdbcHandle {
public:
    /// Allocates a handle of AType under AParent (SQL_NULL_HANDLE for an environment); EDbEngineError on failure.
    OdbcHandle(SQLSMALLINT AType, const OdbcHandle* AParent);
    ~OdbcHandle();
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE Get() const { return Handle; }
    SQLSMALLINT Type() const { return HandleType; }
    void SetConnected(bool AConnected) { Connected = AConnected; }

private:
    SQLSMALLINT HandleType;
    bool Connected = false;
    SQLHANDLE Handle = SQL_NULL_HANDLE;
};

namespace OdbcCall {

/// Every diagnostic record of the handle, read until the driver manager has no further one.
QList<TDbDiagRecord> ReadRecords(SQLSMALLINT AHandleType, SQLHANDLE AHandle);

/// Passes SQL_SUCCESS, SQL_SUCCESS_WITH_INFO and SQL_NO_DATA through (callers that care look at the result);
/// any other return code becomes EDbEngineError with every record of AHandle. ADriverFile is empty while no
/// connection exists.
SQLRETURN Check(SQLRETURN AResult, const OdbcHandle& AHandle, const QString& ADriverFile);

/// The driver's file name for messages that have no record ("libtdsodbc.so"); empty when it cannot be told.
QString DriverFileName(const OdbcHandle& AConnection);

/// UTF-16 views of text for the wide entry points.
inline SQLWCHAR* Wide(const QString& AText) {
    return const_cast<SQLWCHAR*>(reinterpret_cast<const SQLWCHAR*>(AText.utf16()));
}
inline QString FromWide(const SQLWCHAR* AText, qsizetype ALength) {
    return QString::fromUtf16(reinterpret_cast<const char16_t*>(AText), ALength);
}

} // namespace OdbcCall
