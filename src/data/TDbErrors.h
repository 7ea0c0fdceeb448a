#pragma once

#include <QList>
#include <QPair>
#include <QString>

#include <exception>

/// Error kinds, in this order (the values 0 to 14 are shown by name).
enum class TDbErrorKind {
    Other,
    NoDataFound,
    TooManyRows,
    RecordLocked,
    UKViolated,
    FKViolated,
    ObjNotExists,
    UserPwdInvalid,
    UserPwdExpired,
    UserPwdWillExpire,
    CmdAborted,
    ServerGone,
    ServerOutput,
    ArrExecMalfunc,
    InvalidParams,
};

/// "Other", "NoDataFound", ... as the database error window names the kinds.
QString DbErrorKindName(TDbErrorKind AKind);

/// One diagnostic record of a back end.
struct TDbDiagRecord {
    int NativeError = 0;
    QString SqlState;    ///< five characters; empty for SQLite
    QString MessageText; ///< the back end's own message text
    QString DisplayText;
    TDbErrorKind Kind = TDbErrorKind::Other;
    QString ObjName; ///< server object concerned; empty when none
    int CommandTextOffset = -1;
};

/// Error with a message text: the layer's own errors and the program's messages in its own words.
class EDbError : public std::exception {
public:
    explicit EDbError(QString AMessage) : Message(std::move(AMessage)), Utf8(Message.toUtf8()) {}
    const QString& message() const { return Message; }
    const char* what() const noexcept override { return Utf8.constData(); }

private:
    QString Message;
    QByteArray Utf8;
};

/// Error reported by a database engine, with everything the database error window shows.
class EDbEngineError : public EDbError {
public:
    /// ATypeName names the back end's own error type ("EODBCNativeException", "ESQLiteNativeException").
    EDbEngineError(QString AMessage, QString ATypeName, int ALayerCode, QList<TDbDiagRecord> ARecords = {})
        : EDbError(std::move(AMessage)), TypeName(std::move(ATypeName)), LayerCode(ALayerCode),
          Records(std::move(ARecords)) {}

    QString TypeName;
    int LayerCode = 0;                     ///< 1200 ODBC, 700 timeout, 1600 SQLite
    QString ObjectName;                    ///< the connection or row set on whose behalf the work ran
    QString CommandText;                   ///< the failing statement, when there was one
    QList<QPair<QString, QString>> Params; ///< the statement's parameters, name and value, in order
    QList<TDbDiagRecord> Records;
    /// The statement never reached the server: the connection was found lost before it was sent, or sending it
    /// failed part-way (a server runs a request only once all of it has arrived). Sent again on a new connection,
    /// it cannot run twice. False whenever that is not certain.
    bool NotSent = false;
};

/// A value read again from its row (a deferred field) after the row, or the whole file, changed since the row set
/// read the row: it would not be the value of the row listed, so it is not given out.
class EDbRowChanged : public EDbEngineError {
public:
    using EDbEngineError::EDbEngineError;
};
