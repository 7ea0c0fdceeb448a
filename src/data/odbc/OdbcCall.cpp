#include "data/odbc/OdbcCall.h"

#include "data/odbc/OdbcErrors.h"

#include <vector>

OdbcHandle::OdbcHandle(SQLSMALLINT AType, const OdbcHandle* AParent) : HandleType(AType) {
    const SQLHANDLE Parent = AParent ? AParent->Get() : SQL_NULL_HANDLE;
    const SQLRETURN Result = SQLAllocHandle(AType, Parent, &Handle);
    if (!SQL_SUCCEEDED(Result)) {
        Handle = SQL_NULL_HANDLE;
        const QList<TDbDiagRecord> Records =
            AParent ? OdbcCall::ReadRecords(AParent->Type(), Parent) : QList<TDbDiagRecord>{};
        throw OdbcErrors::MakeError(Records, QString(), Result);
    }
}

OdbcHandle::~OdbcHandle() {
    if (Connected)
        SQLDisconnect(Handle);
    if (Handle != SQL_NULL_HANDLE)
        SQLFreeHandle(HandleType, Handle);
}

namespace OdbcCall {

QList<TDbDiagRecord> ReadRecords(SQLSMALLINT AHandleType, SQLHANDLE AHandle) {
    QList<TDbDiagRecord> Records;
    if (AHandle == SQL_NULL_HANDLE)
        return Records;
    std::vector<SQLWCHAR> Message(1024);
    for (SQLSMALLINT Number = 1;; ++Number) {
        SQLWCHAR State[6] = {};
        SQLINTEGER Native = 0;
        SQLSMALLINT Length = 0;
        SQLRETURN Result = SQLGetDiagRecW(AHandleType, AHandle, Number, State, &Native, Message.data(),
                                          SQLSMALLINT(Message.size()), &Length);
        if (Result == SQL_SUCCESS_WITH_INFO && Length >= SQLSMALLINT(Message.size())) {
            Message.resize(std::size_t(Length) + 1);
            Result = SQLGetDiagRecW(AHandleType, AHandle, Number, State, &Native, Message.data(),
                                    SQLSMALLINT(Message.size()), &Length);
        }
        if (!SQL_SUCCEEDED(Result))
            break; // SQL_NO_DATA after the last record
        const qsizetype Shown = std::min<qsizetype>(Length, qsizetype(Message.size()) - 1);
        qsizetype StateLength = 0;
        while (StateLength < 5 && State[StateLength] != 0)
            ++StateLength;
        Records << OdbcErrors::MakeRecord(FromWide(State, StateLength), int(Native), FromWide(Message.data(), Shown));
    }
    return Records;
}

SQLRETURN Check(SQLRETURN AResult, const OdbcHandle& AHandle, const QString& ADriverFile) {
    if (SQL_SUCCEEDED(AResult) || AResult == SQL_NO_DATA)
        return AResult;
    throw OdbcErrors::MakeError(ReadRecords(AHandle.Type(), AHandle.Get()), ADriverFile, AResult);
}

QString DriverFileName(const OdbcHandle& AConnection) {
    SQLWCHAR Name[256] = {};
    SQLSMALLINT Length = 0;
    if (!SQL_SUCCEEDED(SQLGetInfoW(AConnection.Get(), SQL_DRIVER_NAME, Name, sizeof(Name), &Length)))
        return {};
    return FromWide(Name, std::min<qsizetype>(Length / qsizetype(sizeof(SQLWCHAR)), 255));
}

} // namespace OdbcCall
