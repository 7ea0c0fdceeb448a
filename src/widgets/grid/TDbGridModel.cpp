#include "widgets/grid/TDbGridModel.h"

#include "data/RowCell.h"
#include "data/TDbQuery.h"
#include "widgets/grid/CellFormat.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace {

bool IsNumeric(TDbFieldKind AKind) {
    switch (AKind) {
    case TDbFieldKind::Integer:
    case TDbFieldKind::LargeInt:
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return true;
    default:
        return false;
    }
}

void PostError(std::exception_ptr AError) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [AError] { std::rethrow_exception(AError); }, Qt::QueuedConnection);
}

} // namespace

TDbGridModel::TDbGridModel(QObject* AParent)
    : QAbstractTableModel(AParent), Reporter(PostError), Format(std::make_shared<const CellFormat>(QLocale::system())) {
}

TDbGridModel::~TDbGridModel() = default;

void TDbGridModel::SetDataSet(TDbQuery* AQuery) {
    if (Query) {
        disconnect(Query, nullptr, this, nullptr);
    }
    Query = AQuery;
    if (Query) {
        connect(Query, &TDbQuery::Opened, this, &TDbGridModel::Reload);
        connect(Query, &TDbQuery::Closed, this, &TDbGridModel::Reload);
        connect(Query, &TDbQuery::RowsFetched, this, &TDbGridModel::RowsFetched);
    }
    Reload();
}

void TDbGridModel::SetErrorReporter(ErrorReporter AReporter) {
    Reporter = AReporter ? std::move(AReporter) : ErrorReporter(PostError);
}

void TDbGridModel::Reload() {
    beginResetModel();
    Shown = Query && Query->Active();
    Fields = Shown ? Query->Fields() : QList<TDbFieldDef>();
    Rows = Shown ? Query->FetchedRowCount() : 0;
    FetchFailed = false;
    Format = std::make_shared<const CellFormat>(QLocale::system());
    // Row numbers of the new opening name other rows.
    for (ShownRow& shown : Recent) {
        shown.Row = -1;
    }
    endResetModel();
}

void TDbGridModel::RowsFetched() {
    // Rows read while an opening is under way are picked up by the reset that follows it.
    if (Shown) {
        SyncRows();
    }
}

void TDbGridModel::SyncRows() {
    if (!Shown || !Query || !Query->Active()) {
        return;
    }
    const int fetched = Query->FetchedRowCount();
    if (fetched > Rows) {
        beginInsertRows({}, Rows, fetched - 1);
        Rows = fetched;
        endInsertRows();
    }
}

int TDbGridModel::DisplayWidth(int AColumn) const {
    const TDbFieldDef& def = Fields.at(AColumn);
    switch (def.Kind) {
    case TDbFieldKind::String:
    case TDbFieldKind::FixedChar:
    case TDbFieldKind::WideString:
        return def.Size > 0 ? def.Size : 20;
    case TDbFieldKind::SQLTimeStamp:
        return 18;
    case TDbFieldKind::LargeInt:
        return 15;
    default:
        return 10;
    }
}

int TDbGridModel::rowCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : Rows;
}

int TDbGridModel::columnCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : int(Fields.size());
}

QVariant TDbGridModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!checkIndex(AIndex, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const TDbFieldDef& def = Fields.at(AIndex.column());
    switch (ARole) {
    case Qt::DisplayRole:
        return ShownText(AIndex.row(), AIndex.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (IsNumeric(def.Kind) ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

const QString& TDbGridModel::ShownText(int ARow, int AColumn) const {
    ShownRow& shown = Recent[std::size_t(ARow % ShownRows)];
    if (shown.Row != ARow) {
        shown.Row = ARow;
        shown.Texts.fill(QString(), Fields.size());
        shown.Made.fill(false, Fields.size());
    }
    if (!shown.Made[AColumn]) {
        shown.Texts[AColumn] = Format->Text(Fields.at(AColumn), Query->CellAt(ARow, AColumn));
        shown.Made[AColumn] = true;
    }
    return shown.Texts[AColumn];
}

QVariant TDbGridModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
    // The vertical header is the indicator column: it has no text.
    if (AOrientation == Qt::Horizontal && ARole == Qt::DisplayRole && ASection >= 0 && ASection < Fields.size()) {
        return Fields.at(ASection).Name;
    }
    return {};
}

Qt::ItemFlags TDbGridModel::flags(const QModelIndex& AIndex) const {
    return AIndex.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

bool TDbGridModel::canFetchMore(const QModelIndex& AParent) const {
    if (AParent.isValid() || !Shown || FetchFailed || !Query || !Query->Active()) {
        return false;
    }
    return Rows < Query->FetchedRowCount() || !Query->AllRowsFetched();
}

// Called by the view during layout and painting, where an error must not unwind through the toolkit: the failure
// stops fetching for this opening (the failing row stays out of the grid) and goes to the reporter.
void TDbGridModel::fetchMore(const QModelIndex& AParent) {
    if (!canFetchMore(AParent)) {
        return;
    }
    if (Rows < Query->FetchedRowCount()) {
        SyncRows();
        return;
    }
    try {
        Query->FetchMore(BatchSize);
    } catch (...) {
        FetchFailed = true;
        SyncRows();
        Reporter(std::current_exception());
        return;
    }
    SyncRows();
}
