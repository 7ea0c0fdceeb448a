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
    const qsizetype first = AMessage.indexOf(QLatin1Char('\''));
    if (first < 0) {
        return {};
    }
    const qsizetype second = AMessage.indexOf(QLatin1Char('\''), first + 1);
    if (second < 0) {
        return {};
    }
    return AMessage.mid(first + 1, second - first - 1);
}

TDbErrorKind KindByNative(int ANativeError, const QString& AMessage) {
    switch (ANativeError) {
    case 208:
    case 3701:
        return TDbErrorKind::ObjNotExists;
    case 547: {
        const QString upper = AMessage.toUpper();
        const bool foreign =
            upper.contains(QLatin1String("COLUMN FOREIGN KEY")) ||
            (upper.contains(QLatin1String("CONFLICTED")) && upper.contains(QLatin1String("REFERENCE")) &&
             upper.contains(QLatin1String("CONSTRAINT")));
        return foreign ? TDbErrorKind::FKViolated : TDbErrorKind::Other;
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
        if (ANativeError >= 18463 && ANativeError <= 18468) {
            return TDbErrorKind::UserPwdInvalid;
        }
        return TDbErrorKind::Other;
    }
}

TDbErrorKind KindByState(const QString& AState) {
    if (AState == QLatin1String("HY008") || IsTimeoutState(AState)) {
        return TDbErrorKind::CmdAborted;
    }
    static const QStringList gone{QStringLiteral("08S01"), QStringLiteral("08S02"), QStringLiteral("08007"),
                                  QStringLiteral("08001"), QStringLiteral("08003"), QStringLiteral("08004")};
    if (gone.contains(AState)) {
        return TDbErrorKind::ServerGone;
    }
    if (AState == QLatin1String("07001") || AState == QLatin1String("07002")) {
        return TDbErrorKind::InvalidParams;
    }
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
    const TDbErrorKind kind = KindByNative(ANativeError, AMessage);
    return kind != TDbErrorKind::Other ? kind : KindByState(ASqlState);
}

QString DisplayText(const QString& ASqlState, int ANativeError, const QString& AMessage) {
    return QStringLiteral("SQL state: %1. Native error: %2. Error message: \r\n%3")
        .arg(ASqlState, QString::number(ANativeError), AMessage);
}

TDbDiagRecord MakeRecord(const QString& ASqlState, int ANativeError, const QString& AMessage) {
    TDbDiagRecord record;
    record.NativeError = ANativeError;
    record.SqlState = ASqlState;
    record.MessageText = AMessage;
    record.DisplayText = DisplayText(ASqlState, ANativeError, AMessage);
    record.Kind = Classify(ANativeError, ASqlState, AMessage, record.ObjName);
    return record;
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
    constexpr int writeFailed = 20006;
    return std::any_of(ARecords.begin(), ARecords.end(), [](const TDbDiagRecord& ARecord) {
        return ARecord.NativeError == writeFailed && ARecord.SqlState == QLatin1String("08S01");
    });
}

EDbEngineError MakeError(const QList<TDbDiagRecord>& ARecords, const QString& ADriverFile, int AReturnCode) {
    QString message;
    int code = LayerCode;
    if (ARecords.isEmpty()) {
        const QString driver = ADriverFile.isEmpty() ? QStringLiteral("CLI") : ADriverFile;
        message = Prefix + QLatin1Char('[') + driver + QStringLiteral("] ") + ReturnCodeName(AReturnCode);
    } else {
        message = Prefix + ARecords.front().MessageText;
        for (const TDbDiagRecord& record : ARecords) {
            if (IsTimeoutState(record.SqlState)) {
                message = QStringLiteral("Timeout expired");
                code = TimeoutLayerCode;
                break;
            }
        }
    }
    EDbEngineError error(message, TypeName(), code, ARecords);
    error.NotSent = ProveNotSent(ARecords);
    return error;
}

EDbEngineError LostWhileIdle() {
    const QString text = QStringLiteral("The connection to the server was lost while idle; the statement was not sent");
    EDbEngineError error(Prefix + QLatin1Char(' ') + text, TypeName(), LayerCode,
                         {MakeRecord(QStringLiteral("08S01"), 0, text)});
    error.NotSent = true;
    return error;
}

} // namespace OdbcErrors
