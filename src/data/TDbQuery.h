#pragma once

#include "data/IDbConnectionUser.h"
#include "data/TDbBookmark.h"
#include "data/TDbField.h"
#include "data/TDbFieldDef.h"

#include <QList>
#include <QObject>
#include <QVariant>

#include <memory>

class TDbConnection;
class IDbStatement;
class IDbCursor;
class RowCell;

/// A row set. Rows come from the back end in batches as the walk advances and stay cached until Close, so that
/// Prior, bookmarks and random access by row number work. With declared fields the row set always has exactly
/// those fields, bound to the result columns of the same names; without, one field per result column.
/// A row that cannot be read (a text longer than its field) raises its error whenever the walk reaches it, again
/// on every attempt; the rows before it stay readable. A failing row among the first BatchSize, read by the open,
/// fails the open.
class TDbQuery : public QObject, private IDbConnectionUser {
    Q_OBJECT
public:
    explicit TDbQuery(TDbConnection* AConnection = nullptr, QObject* AParent = nullptr);
    ~TDbQuery() override;

    TDbConnection* Connection() const { return Conn; }
    void SetConnection(TDbConnection* AConnection);

    QString SQLText() const { return Sql; }
    void SetSQLText(const QString& ASQL);

    /// Persistent field declarations, in order; only while closed.
    void AddFieldDef(const TDbFieldDef& ADef);
    const QList<TDbFieldDef>& FieldDefs() const { return Declared; }

    /// Prepares, runs, binds the fields and reads the first rows; the first row becomes current.
    /// A failure leaves the row set closed.
    void Open();
    void Open(const QString& ASQL);
    /// Drops the rows; every bookmark taken becomes worthless. Nothing when closed.
    void Close();
    bool Active() const;

    void First();
    void Next();
    void Prior();
    bool Eof() const;
    bool Bof() const;
    bool IsEmpty() const;

    int FieldCount() const;
    /// The fields of this open row set as bound (declared ones with narrowed sizes, or derived ones).
    const QList<TDbFieldDef>& Fields() const;
    /// The field in the current row; a deferred field's value is read from the back end now.
    TDbField FieldByIndex(int AIndex) const;
    /// EDbError "<object name>: Field '<name>' not found" when absent.
    TDbField FieldByName(const QString& AName) const;

    TDbBookmark GetBookmark() const;
    void GotoBookmark(const TDbBookmark& ABookmark);
    /// -1 / 1 by row order, 0 for the same row or when either names no row of this opening; empty sorts last.
    int CompareBookmarks(const TDbBookmark& A, const TDbBookmark& B) const;

    // Random access for the grid: rows are numbered from 0 in result order.
    int RecNo() const;     ///< current row; -1 when closed or empty
    void MoveTo(int ARow); ///< fetches up to ARow as needed; clamps to the rows there are
    int FetchedRowCount() const;
    bool AllRowsFetched() const;
    int FetchMore(int ARows); ///< reads up to ARows further rows; the number read
    /// A fetched row only; a deferred field that is not null gives its TDbDeferred, not its value.
    QVariant ValueAt(int ARow, int AField) const;
    /// The same value as read, unconverted (a null cell for a row not fetched); valid until the row set closes.
    const RowCell& CellAt(int ARow, int AField) const;
    TDbBookmark BookmarkAt(int ARow) const;
    int RowOf(const TDbBookmark& ABookmark) const; ///< -1 when it names no row of this opening

    /// Rows read from the back end per fetch while walking.
    static constexpr int BatchSize = 64;

Q_SIGNALS:
    void Opened();
    void Closed();
    void CurrentRowChanged(int ARow);
    /// Rows [AFirst, ALast] were appended after the open (the open's own first rows are announced by Opened).
    void RowsFetched(int AFirst, int ALast);

private:
    void ConnectionClosing() override { Close(); }
    void ConnectionDestroyed() override { Conn = nullptr; }
    int FetchRows(int ARows);
    [[noreturn]] void ThrowClosed() const;

    // Implementation state is the data layer's own; see TDbQuery.cpp.
    TDbConnection* Conn = nullptr;
    QString Sql;
    QList<TDbFieldDef> Declared;
    struct State;
    std::unique_ptr<State> Open_;
};
