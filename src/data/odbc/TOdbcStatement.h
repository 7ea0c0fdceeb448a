#pragma once

#include "data/IDbStatement.h"
#include "data/odbc/OdbcCall.h"

#include <deque>
#include <memory>
#include <vector>

class ConnectionSocket;
class TOdbcStatement;

/// Which statement of a connection has a result with unread rows on the wire. Most drivers (FreeTDS without MARS
/// among them) serve one such result per connection, so a statement about to use the connection first has the
/// holder read the rest of its rows into memory.
struct OdbcWireOwner {
    TOdbcStatement* Holder = nullptr;
    void Release(TOdbcStatement* AStatement) {
        if (Holder == AStatement)
            Holder = nullptr;
    }
    void TakeFor(TOdbcStatement* AStatement);
};

/// What the statements of one connection share: how they send parameters, how messages name the driver, and the
/// connection's socket.
struct OdbcStatementSettings {
    QString DriverFile;
    /// ftWideMemo goes as nvarchar(max) (SQL_WVARCHAR of size 0) rather than ntext (SQL_WLONGVARCHAR).
    bool WideMemoAsMax = false;
    /// Checked before every execution, told of every reply: a statement is never sent on a connection found lost.
    std::shared_ptr<ConnectionSocket> Socket;
};

/// A prepared ODBC statement and the rows of its last execution, read forward only.
class TOdbcStatement final : public IDbStatement, public IDbCursor {
public:
    TOdbcStatement(const OdbcHandle& AConnection, std::shared_ptr<OdbcWireOwner> AWire, OdbcStatementSettings ASettings,
                   const QString& ASql);
    ~TOdbcStatement() override;
    TOdbcStatement(const TOdbcStatement&) = delete;
    TOdbcStatement& operator=(const TOdbcStatement&) = delete;

    void Execute(const QList<TDbBindValue>& AValues) override;
    qint64 RowsAffected() const override { return Affected; }
    IDbCursor& Result() override { return *this; }

    const QList<TDbColumnInfo>& Columns() const override { return ColumnInfos; }
    bool Fetch(const QList<TDbBoundField>& AFields, QVariantList& ARow) override;

    /// Reads the remaining rows of the result into memory and frees the connection for other statements.
    void BufferRemainingRows();

private:
    /// A parameter as bound: the buffer the driver reads its value from at each execution (owned here, so that no
    /// caller's buffer is kept), and the type and size it is bound with (while Bound; else to be bound with). The
    /// buffer stays put while values fit it.
    struct BoundValue {
        std::unique_ptr<SQLWCHAR[]> Buffer;
        std::size_t Capacity = 0; ///< characters
        SQLLEN Indicator = 0;
        SQLSMALLINT SqlType = SQL_UNKNOWN_TYPE;
        SQLULEN Size = 0;
    };

    void Bind(const QList<TDbBindValue>& AValues);
    /// Makes room for ALength characters in the parameter's buffer; true when the buffer had to move.
    static bool Reserve(BoundValue& ATarget, std::size_t ALength);
    void Describe();
    SQLRETURN Check(SQLRETURN AResult) const { return OdbcCall::Check(AResult, Statement, Settings.DriverFile); }

    void CloseCursor();

    OdbcHandle Statement;
    std::shared_ptr<OdbcWireOwner> Wire;
    OdbcStatementSettings Settings;
    std::deque<QVariantList> Buffered; ///< rows read ahead, every column in its natural form
    std::vector<BoundValue> Values;
    QList<TDbColumnInfo> ColumnInfos;
    qint64 Affected = -1;
    bool RowsLeft = false;
    /// The driver holds a binding of every value, to its buffer as it is now, with its type and size.
    bool Bound = false;
};
