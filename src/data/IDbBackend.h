#pragma once

#include "data/IDbStatement.h"

#include <QString>
#include <QStringList>

#include <memory>

/// One connection of a back end (SQLite, ODBC): the contract between the layer and it. Back ends raise
/// EDbEngineError with message, type name, layer code and records; the layer adds object name, command text and
/// parameters.
class IDbBackend {
public:
    virtual ~IDbBackend() = default;
    /// Connects with the connection's parameter lines ("Key=Value", DriverID first).
    virtual void Open(const QStringList& AParams) = 0;
    /// Disconnects; statements prepared on it must be destroyed before.
    virtual void Close() = 0;
    virtual std::unique_ptr<IDbStatement> Prepare(const QString& ASql) = 0;
    /// As Prepare, for a statement whose rows the back end can find again by a key of its own, so that its cursor
    /// can defer fields; null when the back end or the statement cannot (a Prepare of the same text then decides).
    virtual std::unique_ptr<IDbStatement> PrepareRowKeyed(const QString& ASql) {
        (void)ASql;
        return nullptr;
    }
};
