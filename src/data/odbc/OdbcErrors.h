#pragma once

#include "data/TDbErrors.h"

#include <QList>
#include <QString>

/// Errors of the ODBC back end: how diagnostic records become the layer's EDbEngineError. Pure; the records are
/// read from the driver by OdbcCall.
namespace OdbcErrors {

inline constexpr int LayerCode = 1200;
inline constexpr int TimeoutLayerCode = 700;

/// The back end's own error type name.
QString TypeName();

/// A diagnostic record with its display text, kind and object name filled in from the driver's three values.
TDbDiagRecord MakeRecord(const QString& ASqlState, int ANativeError, const QString& AMessage);

/// Kind of a SQL Server record: by native error number first, then by SQL state; AObjName receives the text
/// between the message's first two single quotes for the object errors (208, 3701, 547, 2601, 2627).
TDbErrorKind Classify(int ANativeError, const QString& ASqlState, const QString& AMessage, QString& AObjName);

/// "SQL state: <state>. Native error: <n>. Error message: " CR LF <message>.
QString DisplayText(const QString& ASqlState, int ANativeError, const QString& AMessage);

/// "SQL_ERROR", "SQL_INVALID_HANDLE", ... for an ODBC return code.
QString ReturnCodeName(int AReturnCode);

/// Whether the records prove that a statement never reached the server (the driver could not write all of it).
bool ProveNotSent(const QList<TDbDiagRecord>& ARecords);

/// The error for a failed call: message from the first record (or, without records, the driver's file name and the
/// return code's name, ADriverFile being empty while no connection exists); a timeout record changes message and code.
/// NotSent as ProveNotSent says.
EDbEngineError MakeError(const QList<TDbDiagRecord>& ARecords, const QString& ADriverFile, int AReturnCode);

/// The error for a statement not sent because its connection was found lost while it sat idle (NotSent; a
/// ServerGone record of state 08S01).
EDbEngineError LostWhileIdle();

} // namespace OdbcErrors
