#include "widgets/grid/TDBGridModel.h"

#include "data/TDbQuery.h"
#include "widgets/grid/CompiledPattern.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>

#include <array>
#include <limits>
#include <optional>

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

/// QString::number for an integer, without its general number formatting (measurably faster over a walk).
QString DecimalText(qint64 AValue) {
    std::array<char16_t, 24> digits{};
    std::size_t count = 0;
    quint64 rest = AValue < 0 ? 0 - quint64(AValue) : quint64(AValue);
    do {
        digits[count++] = char16_t(u'0' + rest % 10);
        rest /= 10;
    } while (rest > 0);
    if (AValue < 0) {
        digits[count++] = u'-';
    }
    QString text(qsizetype(count), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = digits[count - 1 - i];
    }
    return text;
}

} // namespace

/// The regional formats of the cells, read from a locale once. Asking the system locale for its formats on every
/// cell costs more than reading the row itself.
class TDBGridModel::CellFormat {
public:
    explicit CellFormat(const QLocale& ALocale)
        : Locale(ALocale), TimeFormat(LongTimeFormat(ALocale)), DecimalPoint(ALocale.decimalPoint()),
          Date(ALocale.dateFormat(QLocale::ShortFormat), CompiledPattern::Of::Date),
          Time(TimeFormat, CompiledPattern::Of::Time) {
        // The compiled patterns stand in for the locale only where they give its very texts (digits included).
        const std::array<QDateTime, 3> samples = {
            QDateTime(QDate(2005, 1, 2), QTime(3, 4, 5), Qt::UTC),
            QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58), Qt::UTC),
            QDateTime(QDate(999, 10, 9), QTime(12, 0, 1), Qt::UTC),
        };
        Compiled = Date.IsUsable() && Time.IsUsable();
        for (const QDateTime& sample : samples) {
            Compiled = Compiled && Fast(sample) == Slow(sample);
        }
    }

    QString Text(const TDbFieldDef& ADef, const QVariant& AValue) const {
        if (ADef.Kind == TDbFieldKind::Blob) {
            return AValue.isNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
        }
        if (AValue.isNull()) {
            return {};
        }
        switch (ADef.Kind) {
        case TDbFieldKind::SQLTimeStamp: {
            const QDateTime moment = AValue.toDateTime();
            if (Compiled) {
                if (std::optional<QString> text = Fast(moment)) {
                    return *text;
                }
            }
            return Slow(moment);
        }
        case TDbFieldKind::Float:
        case TDbFieldKind::BCD: {
            // General number format: up to 15 significant digits, no trailing zeros, no thousands separator.
            QString text = QString::number(AValue.toDouble(), 'g', 15);
            text.replace(QLatin1Char('.'), DecimalPoint);
            return text;
        }
        default:
            // The integers straight, without the variant's general conversion.
            if (AValue.typeId() == QMetaType::Int) {
                return DecimalText(*static_cast<const int*>(AValue.constData()));
            }
            if (AValue.typeId() == QMetaType::QString) {
                return *static_cast<const QString*>(AValue.constData());
            }
            return AValue.toString();
        }
    }

    /// The format of ALocale for this thread, read again only when another locale is asked for.
    static const CellFormat& For(const QLocale& ALocale) {
        thread_local std::optional<CellFormat> last;
        if (!last || last->Locale != ALocale) {
            last.emplace(ALocale);
        }
        return *last;
    }

private:
    /// The regional short date, a blank and the regional long time; no time at exactly midnight.
    std::optional<QString> Fast(const QDateTime& AMoment) const {
        const QTime time = AMoment.time();
        CompiledPattern::Moment moment{0, 0, 0, time.hour(), time.minute(), time.second()};
        // Neighbouring rows mostly share their day: its calendar date is worked out once.
        const qint64 day = AMoment.date().toJulianDay();
        if (day != LastDay) {
            AMoment.date().getDate(&LastYear, &LastMonth, &LastDayOfMonth);
            LastDay = day;
        }
        moment.Year = LastYear;
        moment.Month = LastMonth;
        moment.Day = LastDayOfMonth;
        if (moment.Year < 1 || moment.Year > 9999) {
            return std::nullopt;
        }
        CompiledPattern::Text text;
        Date.Append(text, moment);
        if (time != QTime(0, 0)) {
            text.append(u' ');
            Time.Append(text, moment);
        }
        return QString(reinterpret_cast<const QChar*>(text.constData()), text.size());
    }

    QString Slow(const QDateTime& AMoment) const {
        const QString date = Locale.toString(AMoment.date(), QLocale::ShortFormat);
        if (AMoment.time() == QTime(0, 0)) {
            return date;
        }
        return date + QLatin1Char(' ') + Locale.toString(AMoment.time(), TimeFormat);
    }

    QLocale Locale;
    QString TimeFormat;
    QString DecimalPoint;
    CompiledPattern Date;
    CompiledPattern Time;
    bool Compiled = false;
    // The day last formatted; a cell format is used by one thread.
    mutable qint64 LastDay = std::numeric_limits<qint64>::min();
    mutable int LastYear = 0;
    mutable int LastMonth = 0;
    mutable int LastDayOfMonth = 0;
};

namespace {

void PostError(std::exception_ptr AError) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [AError] { std::rethrow_exception(AError); }, Qt::QueuedConnection);
}

} // namespace

TDBGridModel::TDBGridModel(QObject* AParent)
    : QAbstractTableModel(AParent), Reporter(PostError), Format(std::make_shared<const CellFormat>(QLocale::system())) {
}

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
    Format = std::make_shared<const CellFormat>(QLocale::system());
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
    return CellFormat::For(ALocale).Text(ADef, AValue);
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
        return Format->Text(def, Query->ValueAt(AIndex.row(), AIndex.column()));
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
