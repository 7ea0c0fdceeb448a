#include "data/odbc/OdbcErrors.h"

#include "data/odbc/OdbcApi.h"

#include <algorithm>

namespace OdbcErrors {

namespace {

const QString Prefix = QStringLiteral("[Strata][Phys][ODBC]");

bool IsTimeoutState(const QString& AState) {
    return AState == QLatin1String("HYT00") || AState == QLatin1String("HYT01");
}

QString TextBetweenFirstQuotes(const QString& AMessage) {
    const qsizetype First = AMessage.indexOf(QLatin1Char('\''));
    if (First < 0)
        return {};
    const qsizetype Second = AMessage.indexOf(QLatin1Char('\''), First + 1);
    if (Second < 0)
        return {};
    return AMessage.mid(First + 1, Second - First - 1);
}

TDbErrorKind KindByNative(int ANativeError, const QString& AMessage) {
    switch (ANativeError) {
    case 208:
    case 3701:
        return TDbErrorKind::ObjNotExists;
    case 547: {
        const QString Upper = AMessage.toUpper();
        const bool Foreign =
            Upper.contains(QLatin1String("COLUMN FOREIGN KEY")) ||
            (Upper.contains(QLatin1String("CONFLICTED")) && Upper.contains(QLatin1String("REFERENCE")) &&
             Upper.contains(QLatin1String("CONSTRAINT")));
        return Foreign ? TDbErrorKind::FKViolated : TDbErrorKind::Other;
    }
    case 2601:
    case 2627:
        return TDbErrorKind::UKViolated;
    case 1204:
    case 1205:
    case 1222:
        return TDbErrorKind::RecordLocked;
    case 18456:
        return TDbErrorKind::UserPwdInvalid;
    case 18487:
    case 18488:
        return TDbErrorKind::UserPwdExpired;
    case 201:
    case 8144:
        return TDbErrorKind::InvalidParams;
    default:
        if (ANativeError >= 18463 && ANativeError <= 18468)
            return TDbErrorKind::UserPwdInvalid;
        return TDbErrorKind::Other;
    }
}

TDbErrorKind KindByState(const QString& AState) {
    if (AState == QLatin1String("HY008") || IsTimeoutState(AState))
        return TDbErrorKind::CmdAborted;
    static const QStringList Gone{QStringLiteral("08S01"), QStringLiteral("08S02"), QStringLiteral("08007"),
                                  QStringLiteral("08001"), QStringLiteral("08003"), QStringLiteral("08004")};
    if (Gone.contains(AState))
        return TDbErrorKind::ServerGone;
    if (AState == QLatin1String("07001") || AState == QLatin1String("07002"))
        return TDbErrorKind::InvalidParams;
    return TDbErrorKind::Other;
}

} // namespace

QString TypeName() {
    return QStringLiteral("EODBCNativeException");
}

TDbErrorKind Classify(int ANativeError, const QString& ASqlState, const QString& AMessage, QString& AObjName) {
    switch (ANativeError) {
    case 208:
    case 3701:
    case 547:
    case 2601:
    case 2627:
        AObjName = TextBetweenFirstQuotes(AMessage);
        break;
    default:
        AObjName.clear();
    }
    const TDbErrorKind Kind = KindByNative(ANativeError, AMessage);
    return Kind != TDbErrorKind::Other ? Kind : KindByState(ASqlState);
}

QString DisplayText(const QString& ASqlState, int ANativeError, const QString& AMessage) {
    return QStringLiteral("SQL state: %1. Native error: %2. Error message: \r\n%3")
        .arg(ASqlState, QString::number(ANativeError), AMessage);
}

TDbDiagRecord MakeRecord(const QString& ASqlState, int ANativeError, const QString& AMessage) {
    TDbDiagRecord Record;
    Record.NativeError = ANativeError;
    Record.SqlState = ASqlState;
    Record.MessageText = AMessage;
    Record.DisplayText = DisplayText(ASqlState, ANativeError, AMessage);
    Record.Kind = Classify(ANativeError, ASqlState, AMessage, Record.ObjName);
    return Record;
}

QString ReturnCodeName(int AReturnCode) {
    switch (AReturnCode) {
    case SQL_SUCCESS:
        return QStringLiteral("SQL_SUCCESS");
    case SQL_SUCCESS_WITH_INFO:
        return QStringLiteral("SQL_SUCCESS_WITH_INFO");
    case SQL_ERROR:
        return QStringLiteral("SQL_ERROR");
    case SQL_INVALID_HANDLE:
        return QStringLiteral("SQL_INVALID_HANDLE");
    case SQL_NO_DATA:
        return QStringLiteral("SQL_NO_DATA");
    case SQL_NEED_DATA:
        return QStringLiteral("SQL_NEED_DATA");
    case SQL_STILL_EXECUTING:
        return QStringLiteral("SQL_STILL_EXECUTING");
    case SQL_PARAM_DATA_AVAILABLE:
        return QStringLiteral("SQL_PARAM_DATA_AVAILABLE");
    default:
        return QStringLiteral("SQL_RETURN_%1").arg(AReturnCode);
    }
}

bool ProveNotSent(const QList<TDbDiagRecord>& ARecords) {
    // FreeTDS's own number for a request it could not write (20006, "Write to the server failed"); a failed read
    // after a complete write proves nothing.
    constexpr int WriteFailed = 20006;
    return std::any_of(ARecords.begin(), ARecords.end(), [](const TDbDiagRecord& ARecord) {
        return ARecord.NativeError == WriteFailed && ARecord.SqlState == QLatin1String("08S01");
    });
}

EDbEngineError MakeError(const QList<TDbDiagRecord>& ARecords, const QString& ADriverFile, int AReturnCode) {
    QString Message;
    int Code = LayerCode;
    if (ARecords.isEmpty()) {
        const QString Driver = ADriverFile.isEmpty() ? QStringLiteral("CLI") : ADriverFile;
        Message = Prefix + QLatin1Char('[') + Driver + QStringLiteral("] ") + ReturnCodeName(AReturnCode);
    } else {
        Message = Prefix + ARecords.front().MessageText;
        for (const TDbDiagRecord& Record : ARecords) {
            if (IsTimeoutState(Record.SqlState)) {
                Message = QStringLiteral("Timeout expired");
                Code = TimeoutLayerCode;
                break;
            }
        }
    }
    EDbEngineError Error(Message, TypeName(), Code, ARecords);
    Error.NotSent = ProveNotSent(ARecords);
    return Error;
}

EDbEngineError LostWhileIdle() {
    const QString Text = QStringLiteral("The connection to the server was lost while idle; the statement was not sent");
    EDbEngineError Error(Prefix + QLatin1Char(' ') + Text, TypeName(), LayerCode,
                         {MakeRecord(QStringLiteral("08S01"), 0, Text)});
    Error.NotSent = true;
    return Error;
}

} // namespace OdbcErrors
