#include "data/sqlite/SQLiteApi.h"

namespace {

TDbErrorKind KindOf(int AExtendedCode, const QString& AMessage) {
    switch (AExtendedCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return TDbErrorKind::RecordLocked;
    case SQLITE_INTERRUPT:
        return TDbErrorKind::CmdAborted;
    case SQLITE_RANGE:
        return TDbErrorKind::InvalidParams;
    case SQLITE_CONSTRAINT:
        if (AExtendedCode == SQLITE_CONSTRAINT_UNIQUE || AExtendedCode == SQLITE_CONSTRAINT_PRIMARYKEY) {
            return TDbErrorKind::UKViolated;
        }
        return AExtendedCode == SQLITE_CONSTRAINT_FOREIGNKEY ? TDbErrorKind::FKViolated : TDbErrorKind::Other;
    default:
        return AMessage.startsWith(QLatin1String("no such table: ")) ? TDbErrorKind::ObjNotExists : TDbErrorKind::Other;
    }
}

} // namespace

namespace SQLiteApi {

ESQLiteNativeException MakeError(sqlite3* ADb, int AResultCode) {
    // Without a handle (out of memory at open) only the code's own text is there.
    const int extended = ADb ? sqlite3_extended_errcode(ADb) : AResultCode;
    const QString text = QString::fromUtf8(ADb ? sqlite3_errmsg(ADb) : sqlite3_errstr(AResultCode));
    const QString message = QStringLiteral("[Strata][Phys][SQLite] ERROR: ") + text;
    TDbDiagRecord record;
    record.NativeError = extended;
    record.MessageText = text;
    record.DisplayText = message;
    record.Kind = KindOf(extended, text);
    if (record.Kind == TDbErrorKind::ObjNotExists) {
        record.ObjName = text.mid(text.indexOf(u':') + 2);
    }
    const int offset = ADb ? sqlite3_error_offset(ADb) : -1;
    record.CommandTextOffset = offset;
    return ESQLiteNativeException(message, QStringLiteral("ESQLiteNativeException"), 1600, {record});
}

} // namespace SQLiteApi
