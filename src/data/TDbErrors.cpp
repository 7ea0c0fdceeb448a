#include "data/TDbErrors.h"

QString DbErrorKindName(TDbErrorKind AKind) {
    switch (AKind) {
    case TDbErrorKind::Other:
        return QStringLiteral("Other");
    case TDbErrorKind::NoDataFound:
        return QStringLiteral("NoDataFound");
    case TDbErrorKind::TooManyRows:
        return QStringLiteral("TooManyRows");
    case TDbErrorKind::RecordLocked:
        return QStringLiteral("RecordLocked");
    case TDbErrorKind::UKViolated:
        return QStringLiteral("UKViolated");
    case TDbErrorKind::FKViolated:
        return QStringLiteral("FKViolated");
    case TDbErrorKind::ObjNotExists:
        return QStringLiteral("ObjNotExists");
    case TDbErrorKind::UserPwdInvalid:
        return QStringLiteral("UserPwdInvalid");
    case TDbErrorKind::UserPwdExpired:
        return QStringLiteral("UserPwdExpired");
    case TDbErrorKind::UserPwdWillExpire:
        return QStringLiteral("UserPwdWillExpire");
    case TDbErrorKind::CmdAborted:
        return QStringLiteral("CmdAborted");
    case TDbErrorKind::ServerGone:
        return QStringLiteral("ServerGone");
    case TDbErrorKind::ServerOutput:
        return QStringLiteral("ServerOutput");
    case TDbErrorKind::ArrExecMalfunc:
        return QStringLiteral("ArrExecMalfunc");
    case TDbErrorKind::InvalidParams:
        return QStringLiteral("InvalidParams");
    }
    return QStringLiteral("Other");
}
