#include "app/DBGridModel.h"

#include "data/TDbQuery.h"

#include <QCoreApplication>
#include <QDateTime>
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

/// The regional long time format without a time zone, which the locale may append.
QString LongTimeFormat(const QLocale& ALocale) {
    QString format = ALocale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (quoted || c != QLatin1Char('t')) {
            result.append(c);
        }
    }
    return result.trimmed();
}

/// General number format: up to 15 significant digits, no trailing zeros, no thousands separator.
QString GeneralNumber(double AValue, const QLocale& ALocale) {
    QString text = QString::number(AValue, 'g', 15);
    text.replace(QLatin1Char('.'), ALocale.decimalPoint());
    return text;
}

void PostError(std::exception_ptr AError) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [AError] { std::rethrow_exception(AError); }, Qt::QueuedConnection);
}

} // namespace

TDBGridModel::TDBGridModel(QObject* AParent) : QAbstractTableModel(AParent), Reporter(PostError) {}

TDBGridModel::~TDBGridModel() = default;

void TDBGridModel::SetDataSet(TDbQuery* AQuery) {
    if (Query) {
        disconnect(Query, nullptr, this, nullptr);
    }
    Query = AQuery;
    if (Query) {
        connect(Query, &TDbQuery::Opened, this, &TDBGridModel::Reload);
        connect(Query, &TDbQuery::Closed, this, &TDBGridModel::Reload);
        connect(Query, &TDbQuery::RowsFetched, this, &TDBGridModel::RowsFetched);
    }
    Reload();
}

void TDBGridModel::SetErrorReporter(ErrorReporter AReporter) {
    Reporter = AReporter ? std::move(AReporter) : ErrorReporter(PostError);
}

void TDBGridModel::Reload() {
    beginResetModel();
    Shown = Query && Query->Active();
    Fields = Shown ? Query->Fields() : QList<TDbFieldDef>();
    Rows = Shown ? Query->FetchedRowCount() : 0;
    FetchFailed = false;
    Locale = QLocale::system();
    endResetModel();
}

void TDBGridModel::RowsFetched() {
    // Rows read while an opening is under way are picked up by the reset that follows it.
    if (Shown) {
        SyncRows();
    }
}

void TDBGridModel::SyncRows() {
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

int TDBGridModel::DisplayWidth(int AColumn) const {
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

QString TDBGridModel::CellText(const TDbFieldDef& ADef, const QVariant& AValue, const QLocale& ALocale) {
    if (ADef.Kind == TDbFieldKind::Blob) {
        return AValue.isNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
    }
    if (AValue.isNull()) {
        return {};
    }
    switch (ADef.Kind) {
    case TDbFieldKind::SQLTimeStamp: {
        const QDateTime moment = AValue.toDateTime();
        const QString date = ALocale.toString(moment.date(), QLocale::ShortFormat);
        if (moment.time() == QTime(0, 0)) {
            return date;
        }
        return date + QLatin1Char(' ') + ALocale.toString(moment.time(), LongTimeFormat(ALocale));
    }
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return GeneralNumber(AValue.toDouble(), ALocale);
    default:
        return AValue.toString();
    }
}

int TDBGridModel::rowCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : Rows;
}

int TDBGridModel::columnCount(const QModelIndex& AParent) const {
    return AParent.isValid() ? 0 : int(Fields.size());
}

QVariant TDBGridModel::data(const QModelIndex& AIndex, int ARole) const {
    if (!checkIndex(AIndex, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    const TDbFieldDef& def = Fields.at(AIndex.column());
    switch (ARole) {
    case Qt::DisplayRole:
        return CellText(def, Query->ValueAt(AIndex.row(), AIndex.column()), Locale);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (IsNumeric(def.Kind) ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant TDBGridModel::headerData(int ASection, Qt::Orientation AOrientation, int ARole) const {
    // The vertical header is the indicator column: it has no text.
    if (AOrientation == Qt::Horizontal && ARole == Qt::DisplayRole && ASection >= 0 && ASection < Fields.size()) {
        return Fields.at(ASection).Name;
    }
    return {};
}

Qt::ItemFlags TDBGridModel::flags(const QModelIndex& AIndex) const {
    return AIndex.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren : Qt::NoItemFlags;
}

bool TDBGridModel::canFetchMore(const QModelIndex& AParent) const {
    if (AParent.isValid() || !Shown || FetchFailed || !Query || !Query->Active()) {
        return false;
    }
    return Rows < Query->FetchedRowCount() || !Query->AllRowsFetched();
}

// Called by the view during layout and painting, where an error must not unwind through the toolkit: the failure
// stops fetching for this opening (the failing row stays out of the grid) and goes to the reporter.
void TDBGridModel::fetchMore(const QModelIndex& AParent) {
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
