#pragma once

#include "data/IDbStatement.h"
#include "data/odbc/OdbcCall.h"

#include <QByteArray>

#include <deque>
#include <memory>
#include <vector>

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

/// How the statements of one connection send parameters and name the driver in messages.
struct OdbcStatementSettings {
    QString DriverFile;
    /// ftWideMemo goes as nvarchar(max) (SQL_WVARCHAR of size 0) rather than ntext (SQL_WLONGVARCHAR).
    bool WideMemoAsMax = false;
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
    /// A parameter's value as the driver reads it; owned here so that no caller's buffer is kept.
    struct BoundValue {
        QByteArray Data;
        SQLLEN Indicator = 0;
    };

    void Bind(const QList<TDbBindValue>& AValues);
    void Describe();
    SQLRETURN Check(SQLRETURN AResult) const { return OdbcCall::Check(AResult, Statement, Settings.DriverFile); }

    void CloseCursor();

    OdbcHandle Statement;
    std::shared_ptr<OdbcWireOwner> Wire;
    OdbcStatementSettings Settings;
    std::deque<QVariantList> Buffered; ///< rows read ahead, every column in its natural form
    std::vector<BoundValue> Values;
    std::vector<SQLULEN> StringSizes; ///< declared varchar length per position; grows to the longest value bound
    QList<TDbColumnInfo> ColumnInfos;
    qint64 Affected = -1;
    bool RowsLeft = false;
};
