#include "data/TDbQuery.h"

#include "data/DbActivity.h"
#include "data/DbErrorContext.h"
#include "data/FieldBinder.h"
#include "data/IDbBackend.h"
#include "data/RowBuffer.h"
#include "data/TDbConnection.h"
#include "data/TDbErrors.h"

#include <QSet>

#include <algorithm>

#include <exception>
#include <mutex>

struct TDbQuery::State {
    explicit State(int AFieldCount) : Rows(AFieldCount) {}

    /// Identity of this opening: bookmarks hold it weakly and compare owners, never dereferencing it.
    std::shared_ptr<const int> Opening = std::make_shared<const int>(0);
    std::unique_ptr<IDbStatement> Statement;
    IDbCursor* Cursor = nullptr;
    QList<TDbBoundField> Bound;
    QList<TDbFieldDef> Fields;
    RowBuffer Rows;
    int Current = -1;
    bool AllFetched = false;
    bool AtEof = false;
    bool AtBof = true;
    bool Opening_ = true;
    /// A row that failed to read stays failed: every later attempt to reach it raises the same error.
    std::exception_ptr FetchError;

    bool SameOpening(const std::weak_ptr<const int>& AOpening) const {
        return !AOpening.owner_before(Opening) && !Opening.owner_before(AOpening);
    }
};

namespace {
const QList<TDbFieldDef> NoFields;

/// The field name as a QString over storage that lives as long as the program: every TDbField the walk makes copies
/// its definition, and copying such a name costs no reference counting. The names are those of the program's
/// statements, a small set.
QString LastingName(const QString& AName) {
    static std::mutex lock;
    static QSet<QString> names;
    const std::lock_guard<std::mutex> guard(lock);
    auto found = names.constFind(AName);
    if (found == names.constEnd()) {
        // A copy of its own: the name given may itself be a view on storage that goes.
        found = names.insert(QString(AName.constData(), AName.size()));
    }
    return QString::fromRawData(found->constData(), found->size());
}
} // namespace

TDbQuery::TDbQuery(TDbConnection* AConnection, QObject* AParent) : QObject(AParent) {
    SetConnection(AConnection);
}

TDbQuery::~TDbQuery() {
    Open_.reset();
    if (Conn) {
        Conn->Detach(this);
    }
}

void TDbQuery::SetConnection(TDbConnection* AConnection) {
    if (AConnection == Conn) {
        return;
    }
    Close();
    if (Conn) {
        Conn->Detach(this);
    }
    Conn = AConnection;
    if (Conn) {
        Conn->Attach(this);
    }
}

void TDbQuery::SetSQLText(const QString& ASQL) {
    if (ASQL != Sql) {
        Close();
        Sql = ASQL;
    }
}

void TDbQuery::AddFieldDef(const TDbFieldDef& ADef) {
    if (Active()) {
        throw EDbError(QStringLiteral("%1: Cannot declare fields of an open row set").arg(objectName()));
    }
    Declared.append(ADef);
}

void TDbQuery::Open(const QString& ASQL) {
    SetSQLText(ASQL);
    Open();
}

void TDbQuery::Open() {
    if (Active()) {
        return;
    }
    if (!Conn) {
        throw EDbError(QStringLiteral("%1: The row set has no connection").arg(objectName()));
    }
    Conn->Open();
    DbActivity::Scope activity;
    auto state = WithErrorContext(objectName(), Sql, {}, [this] {
        std::unique_ptr<IDbStatement> statement;
        if (std::any_of(Declared.cbegin(), Declared.cend(),
                        [](const TDbFieldDef& AField) { return AField.Deferred; })) {
            statement = Conn->Backend().PrepareRowKeyed(Sql);
        }
        if (!statement) {
            statement = Conn->Backend().Prepare(Sql);
        }
        statement->Execute({});
        IDbCursor& cursor = statement->Result();
        QList<TDbBoundField> bound = FieldBinder::Bind(objectName(), Declared, cursor.Columns());
        auto opened = std::make_unique<State>(int(bound.size()));
        opened->Statement = std::move(statement);
        opened->Cursor = &cursor;
        opened->Bound = std::move(bound);
        opened->Fields.reserve(opened->Bound.size());
        for (const TDbBoundField& field : std::as_const(opened->Bound)) {
            opened->Fields.append(field.Def);
            opened->Fields.back().Name = LastingName(field.Def.Name);
        }
        return opened;
    });
    Open_ = std::move(state);
    try {
        FetchRows(BatchSize);
    } catch (...) {
        Open_.reset();
        throw;
    }
    Open_->Opening_ = false;
    First();
    Q_EMIT Opened();
}

void TDbQuery::Close() {
    if (!Open_) {
        return;
    }
    Open_.reset();
    Q_EMIT Closed();
}

bool TDbQuery::Active() const {
    return Open_ != nullptr;
}

void TDbQuery::ThrowClosed() const {
    throw EDbError(QStringLiteral("%1: Cannot perform this operation on a closed row set").arg(objectName()));
}

int TDbQuery::FetchRows(int ARows) {
    State& state = *Open_;
    if (state.FetchError) {
        std::rethrow_exception(state.FetchError);
    }
    if (state.AllFetched || ARows <= 0) {
        return 0;
    }
    DbActivity::Scope activity;
    const int first = state.Rows.RowCount();
    int read = 0;
    try {
        WithErrorContext(objectName(), Sql, {}, [&] {
            while (read < ARows) {
                // The row is read in place; a row that fails or is not there leaves its cells null again.
                RowCell* row = state.Rows.NextRow();
                bool fetched = false;
                try {
                    fetched = state.Cursor->FetchInto(state.Bound, row, state.Rows);
                } catch (...) {
                    state.Rows.DiscardRow();
                    throw;
                }
                if (!fetched) {
                    state.Rows.DiscardRow();
                    state.AllFetched = true;
                    break;
                }
                state.Rows.CommitRow();
                ++read;
            }
        });
    } catch (...) {
        state.FetchError = std::current_exception();
        // The rows before the failing one stay readable and the error comes back when the walk reaches that row;
        // a failure among the open's first rows fails the open itself.
        if (read == 0 || state.Opening_) {
            throw;
        }
    }
    if (read > 0 && !state.Opening_) {
        Q_EMIT RowsFetched(first, first + read - 1);
    }
    return read;
}

void TDbQuery::First() {
    if (!Open_) {
        ThrowClosed();
    }
    const int row = Open_->Rows.RowCount() > 0 ? 0 : -1;
    Open_->AtBof = true;
    Open_->AtEof = row < 0;
    if (Open_->Current != row) {
        Open_->Current = row;
        Q_EMIT CurrentRowChanged(row);
    }
}

void TDbQuery::Next() {
    if (!Open_) {
        ThrowClosed();
    }
    // A slot of RowsFetched may close the row set: its state is looked up again after fetching.
    const bool more = Open_->Current + 1 < Open_->Rows.RowCount() ||
                      (Open_->Rows.RowCount() > 0 && FetchRows(BatchSize) > 0 && Open_);
    if (!Open_) {
        return;
    }
    if (more) {
        ++Open_->Current;
        Open_->AtBof = false;
        Open_->AtEof = false;
        Q_EMIT CurrentRowChanged(Open_->Current);
    } else {
        Open_->AtEof = true;
    }
}

void TDbQuery::Prior() {
    if (!Open_) {
        ThrowClosed();
    }
    State& state = *Open_;
    if (state.Current > 0) {
        --state.Current;
        state.AtBof = false;
        state.AtEof = false;
        Q_EMIT CurrentRowChanged(state.Current);
    } else {
        state.AtBof = true;
    }
}

bool TDbQuery::Eof() const {
    return !Open_ || Open_->AtEof;
}

bool TDbQuery::Bof() const {
    return !Open_ || Open_->AtBof;
}

bool TDbQuery::IsEmpty() const {
    return !Open_ || Open_->Rows.RowCount() == 0;
}

int TDbQuery::FieldCount() const {
    return int(Fields().size());
}

const QList<TDbFieldDef>& TDbQuery::Fields() const {
    if (Open_) {
        return Open_->Fields;
    }
    return Declared.isEmpty() ? NoFields : Declared;
}

TDbField TDbQuery::FieldByIndex(int AIndex) const {
    const QList<TDbFieldDef>& fields = Fields();
    if (AIndex < 0 || AIndex >= fields.size()) {
        throw EDbError(QStringLiteral("%1: Field index %2 out of range").arg(objectName()).arg(AIndex));
    }
    if (!Open_ || Open_->Current < 0 || Open_->Current >= Open_->Rows.RowCount()) {
        return TDbField(fields[AIndex], QVariant());
    }
    const RowCell& cell = Open_->Rows.At(Open_->Current, AIndex);
    if (cell.Kind() != RowCell::TKind::Deferred) {
        return TDbField(fields[AIndex], cell.Value());
    }
    // The listed row's values, which the back end compares with the row it reads again.
    QVariantList listed(fields.size());
    for (int i = 0; i < fields.size(); ++i) {
        listed[i] = Open_->Rows.At(Open_->Current, i).Value();
    }
    DbActivity::Scope activity;
    return TDbField(fields[AIndex], WithErrorContext(objectName(), Sql, {}, [&] {
                        return Open_->Cursor->ReadDeferred(Open_->Bound, listed.constData(), AIndex);
                    }));
}

TDbField TDbQuery::FieldByName(const QString& AName) const {
    const QList<TDbFieldDef>& fields = Fields();
    for (int i = 0; i < fields.size(); ++i) {
        if (fields[i].Name.compare(AName, Qt::CaseInsensitive) == 0) {
            return FieldByIndex(i);
        }
    }
    throw EDbError(QStringLiteral("%1: Field '%2' not found").arg(objectName(), AName));
}

TDbBookmark TDbQuery::GetBookmark() const {
    return Open_ ? BookmarkAt(Open_->Current) : TDbBookmark();
}

void TDbQuery::GotoBookmark(const TDbBookmark& ABookmark) {
    const int row = RowOf(ABookmark);
    if (row < 0) {
        throw EDbError(QStringLiteral("%1: Record not found").arg(objectName()));
    }
    MoveTo(row);
}

int TDbQuery::CompareBookmarks(const TDbBookmark& A, const TDbBookmark& B) const {
    if (A.IsEmpty() || B.IsEmpty()) {
        return A.IsEmpty() == B.IsEmpty() ? 0 : (A.IsEmpty() ? 1 : -1);
    }
    const int rowA = RowOf(A);
    const int rowB = RowOf(B);
    if (rowA < 0 || rowB < 0 || rowA == rowB) {
        return 0;
    }
    return rowA < rowB ? -1 : 1;
}

int TDbQuery::RecNo() const {
    return Open_ ? Open_->Current : -1;
}

void TDbQuery::MoveTo(int ARow) {
    if (!Open_) {
        ThrowClosed();
    }
    if (Open_->Rows.RowCount() == 0) {
        return;
    }
    const int target = qMax(ARow, 0);
    while (Open_ && target >= Open_->Rows.RowCount() &&
           FetchRows(qMax(BatchSize, target - Open_->Rows.RowCount() + 1)) > 0) {
    }
    if (!Open_) {
        return;
    }
    const int row = qMin(target, Open_->Rows.RowCount() - 1);
    Open_->AtBof = false;
    Open_->AtEof = false;
    if (row != Open_->Current) {
        Open_->Current = row;
        Q_EMIT CurrentRowChanged(row);
    }
}

int TDbQuery::FetchedRowCount() const {
    return Open_ ? Open_->Rows.RowCount() : 0;
}

bool TDbQuery::AllRowsFetched() const {
    return !Open_ || Open_->AllFetched;
}

int TDbQuery::FetchMore(int ARows) {
    if (!Open_) {
        ThrowClosed();
    }
    return FetchRows(ARows);
}

QVariant TDbQuery::ValueAt(int ARow, int AField) const {
    return CellAt(ARow, AField).Value();
}

const RowCell& TDbQuery::CellAt(int ARow, int AField) const {
    static const RowCell none;
    if (!Open_ || ARow < 0 || ARow >= Open_->Rows.RowCount() || AField < 0 || AField >= Open_->Bound.size()) {
        return none;
    }
    return Open_->Rows.At(ARow, AField);
}

TDbBookmark TDbQuery::BookmarkAt(int ARow) const {
    if (!Open_ || ARow < 0 || ARow >= Open_->Rows.RowCount()) {
        return {};
    }
    return TDbBookmark(Open_->Opening, ARow);
}

int TDbQuery::RowOf(const TDbBookmark& ABookmark) const {
    if (!Open_ || ABookmark.IsEmpty() || !Open_->SameOpening(ABookmark.Opening) ||
        ABookmark.Row >= Open_->Rows.RowCount()) {
        return -1;
    }
    return ABookmark.Row;
}
