#include "data/odbc/OdbcCall.h"

#include "data/odbc/OdbcErrors.h"

#include <vector>

OdbcHandle::OdbcHandle(SQLSMALLINT AType, const OdbcHandle* AParent) : HandleType(AType) {
    const SQLHANDLE parent = AParent ? AParent->Get() : SQL_NULL_HANDLE;
    const SQLRETURN result = SQLAllocHandle(AType, parent, &Handle);
    if (!SQL_SUCCEEDED(result)) {
        Handle = SQL_NULL_HANDLE;
        const QList<TDbDiagRecord> records =
            AParent ? OdbcCall::ReadRecords(AParent->Type(), parent) : QList<TDbDiagRecord>{};
        throw OdbcErrors::MakeError(records, QString(), result);
    }
}

OdbcHandle::~OdbcHandle() {
    if (Connected) {
        SQLDisconnect(Handle);
    }
    if (Handle != SQL_NULL_HANDLE) {
        SQLFreeHandle(HandleType, Handle);
    }
}

namespace OdbcCall {

QList<TDbDiagRecord> ReadRecords(SQLSMALLINT AHandleType, SQLHANDLE AHandle) {
    QList<TDbDiagRecord> records;
    if (AHandle == SQL_NULL_HANDLE) {
        return records;
    }
    std::vector<SQLWCHAR> message(1024);
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        SQLRETURN result = SQLGetDiagRecW(AHandleType, AHandle, number, state, &native, message.data(),
                                          SQLSMALLINT(message.size()), &length);
        if (result == SQL_SUCCESS_WITH_INFO && length >= SQLSMALLINT(message.size())) {
            message.resize(std::size_t(length) + 1);
            result = SQLGetDiagRecW(AHandleType, AHandle, number, state, &native, message.data(),
                                    SQLSMALLINT(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(result)) {
            break; // SQL_NO_DATA after the last record
        }
        const qsizetype shown = std::min<qsizetype>(length, qsizetype(message.size()) - 1);
        qsizetype stateLength = 0;
        while (stateLength < 5 && state[stateLength] != 0) {
            ++stateLength;
        }
        records << OdbcErrors::MakeRecord(FromWide(state, stateLength), int(native), FromWide(message.data(), shown));
    }
    return records;
}

SQLRETURN Check(SQLRETURN AResult, const OdbcHandle& AHandle, const QString& ADriverFile) {
    if (SQL_SUCCEEDED(AResult) || AResult == SQL_NO_DATA) {
        return AResult;
    }
    throw OdbcErrors::MakeError(ReadRecords(AHandle.Type(), AHandle.Get()), ADriverFile, AResult);
}

QString DriverFileName(const OdbcHandle& AConnection) {
    SQLWCHAR name[256] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(AConnection.Get(), SQL_DRIVER_NAME, name, sizeof(name), &length))) {
        return {};
    }
    return FromWide(name, std::min<qsizetype>(length / qsizetype(sizeof(SQLWCHAR)), 255));
}

} // namespace OdbcCall
