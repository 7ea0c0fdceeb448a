#include "widgets/grid/TDBGridModel.h"

#include "data/RowCell.h"
#include "data/TDbQuery.h"
#include "widgets/grid/CompiledPattern.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QMetaObject>

#include <array>
#include <cmath>
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
            Compiled = Compiled && Fast(*TDbMoment::Of(sample)) == Slow(sample);
        }
    }

    QString Text(const TDbFieldDef& ADef, const RowCell& ACell) const {
        if (ADef.Kind == TDbFieldKind::Blob) {
            return ACell.IsNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
        }
        switch (ADef.Kind) {
        case TDbFieldKind::SQLTimeStamp:
            return ACell.Kind() == RowCell::TKind::Moment ? MomentText(ACell.MomentValue())
                                                          : VariantText(ADef, ACell.Value());
        case TDbFieldKind::Float:
        case TDbFieldKind::BCD:
            return ACell.Kind() == RowCell::TKind::Real ? RealText(ACell.RealValue())
                                                        : VariantText(ADef, ACell.Value());
        default:
            break;
        }
        switch (ACell.Kind()) {
        case RowCell::TKind::Null:
            return {};
        case RowCell::TKind::Ascii:
        case RowCell::TKind::Utf16:
            return ACell.String();
        case RowCell::TKind::Integer:
        case RowCell::TKind::LargeInt:
            // The integers straight, without the general number formatting.
            return DecimalText(ACell.Integer());
        default:
            return VariantText(ADef, ACell.Value());
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
    /// General number format: up to 15 significant digits, no trailing zeros, no thousands separator.
    QString RealText(double AValue) const {
        if (std::optional<QString> text = CentsText(AValue)) {
            return *text;
        }
        QString text = QString::number(AValue, 'g', 15);
        text.replace(QLatin1Char('.'), DecimalPoint);
        return text;
    }

    /// The same text for a value that is a whole number of hundredths (amounts of money, whole numbers) with at most
    /// 15 digits, written straight: such a decimal is the one its double gives back at 15 significant digits. None
    /// for any other value.
    std::optional<QString> CentsText(double AValue) const {
        if (!(std::fabs(AValue) < 1e13) || (AValue == 0 && std::signbit(AValue))) {
            return std::nullopt;
        }
        const qint64 cents = std::llround(AValue * 100);
        if (double(cents) / 100 != AValue) {
            return std::nullopt;
        }
        // The digits of the hundredths, at least three so that the whole part has one.
        std::array<char16_t, 24> digits{};
        std::size_t count = 0;
        for (quint64 rest = quint64(std::llabs(cents)); rest > 0 || count < 3; rest /= 10) {
            digits[count++] = char16_t(u'0' + rest % 10);
        }
        QString text;
        text.reserve(qsizetype(count) + 1 + DecimalPoint.size());
        if (cents < 0) {
            text += QLatin1Char('-');
        }
        for (std::size_t i = count; i > 2; --i) {
            text += QChar(digits[i - 1]);
        }
        if (digits[1] != u'0' || digits[0] != u'0') {
            text += DecimalPoint;
            text += QChar(digits[1]);
            if (digits[0] != u'0') {
                text += QChar(digits[0]);
            }
        }
        return text;
    }

    QString MomentText(const TDbMoment& AMoment) const {
        if (Compiled && AMoment.Year >= 1 && AMoment.Year <= 9999) {
            return Fast(AMoment);
        }
        return Slow(AMoment.ToDateTime());
    }

    /// A value of a kind the cells do not have (a back end's own type): through the variant's conversions.
    QString VariantText(const TDbFieldDef& ADef, const QVariant& AValue) const {
        if (AValue.isNull()) {
            return {};
        }
        switch (ADef.Kind) {
        case TDbFieldKind::SQLTimeStamp:
            return Slow(AValue.toDateTime());
        case TDbFieldKind::Float:
        case TDbFieldKind::BCD:
            return RealText(AValue.toDouble());
        default:
            return AValue.toString();
        }
    }

    /// The regional short date, a blank and the regional long time; no time at exactly midnight. The year from 1 to
    /// 9999.
    QString Fast(const TDbMoment& AMoment) const {
        const CompiledPattern::Moment moment{AMoment.Year, AMoment.Month,  AMoment.Day,
                                             AMoment.Hour, AMoment.Minute, AMoment.Second};
        // Written in place into room for the longest text, then cut to what was written.
        QString text(Date.MaxLength() + 1 + Time.MaxLength(), Qt::Uninitialized);
        char16_t* const start = reinterpret_cast<char16_t*>(text.data());
        char16_t* end = Date.Write(start, moment);
        if (AMoment.Hour != 0 || AMoment.Minute != 0 || AMoment.Second != 0 || AMoment.Millisecond != 0) {
            *end++ = u' ';
            end = Time.Write(end, moment);
        }
        text.truncate(end - start);
        return text;
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
    // Row numbers of the new opening name other rows.
    for (ShownRow& shown : Recent) {
        shown.Row = -1;
    }
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
    return CellText(ADef, RowCell::Of(AValue), ALocale);
}

QString TDBGridModel::CellText(const TDbFieldDef& ADef, const RowCell& ACell, const QLocale& ALocale) {
    return CellFormat::For(ALocale).Text(ADef, ACell);
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
        return ShownText(AIndex.row(), AIndex.column());
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter | (IsNumeric(def.Kind) ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

const QString& TDBGridModel::ShownText(int ARow, int AColumn) const {
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
