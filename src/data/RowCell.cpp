#include "data/RowCell.h"

// A cached row costs this much a value, besides its text.
static_assert(sizeof(RowCell) == 16);

std::optional<TDbMoment> TDbMoment::Of(const QDateTime& AValue) {
    if (!AValue.isValid() || AValue.timeSpec() != Qt::UTC) {
        return std::nullopt;
    }
    TDbMoment moment;
    AValue.date().getDate(&moment.Year, &moment.Month, &moment.Day);
    const QTime time = AValue.time();
    moment.Hour = time.hour();
    moment.Minute = time.minute();
    moment.Second = time.second();
    moment.Millisecond = time.msec();
    if (moment.Year < -9999 || moment.Year > 9999 || !moment.IsValid()) {
        return std::nullopt;
    }
    return moment;
}

bool TDbMoment::IsValid() const {
    return QDate::isValid(Year, Month, Day) && Hour >= 0 && Hour < 24 && Minute >= 0 && Minute < 60 && Second >= 0 &&
           Second < 60 && Millisecond >= 0 && Millisecond < 1000;
}

QDateTime TDbMoment::ToDateTime() const {
    return QDateTime(QDate(Year, Month, Day), QTime(Hour, Minute, Second, Millisecond), Qt::UTC);
}

RowCell RowCell::Number(TKind AKind, qint64 AValue) {
    RowCell cell;
    cell.CellKind = AKind;
    cell.Int = AValue;
    return cell;
}

RowCell RowCell::Real(double AValue) {
    RowCell cell;
    cell.CellKind = TKind::Real;
    cell.Dbl = AValue;
    return cell;
}

RowCell RowCell::Text(TKind AKind, const void* AData, qsizetype ASize) {
    RowCell cell;
    cell.CellKind = AKind;
    cell.Pointer = static_cast<const char*>(AData);
    cell.Count = std::uint32_t(ASize);
    return cell;
}

RowCell RowCell::Bytes(const char* AData, qsizetype ASize) {
    return Text(TKind::Bytes, AData, ASize);
}

// Year (signed), month, day, hour, minute and second packed in the integer, the milliseconds in the count.
RowCell RowCell::Moment(const TDbMoment& AMoment) {
    RowCell cell;
    cell.CellKind = TKind::Moment;
    cell.Int = (qint64(AMoment.Year) << 40) | (qint64(AMoment.Month) << 32) | (qint64(AMoment.Day) << 24) |
               (qint64(AMoment.Hour) << 16) | (qint64(AMoment.Minute) << 8) | qint64(AMoment.Second);
    cell.Count = std::uint32_t(AMoment.Millisecond);
    return cell;
}

TDbMoment RowCell::MomentValue() const {
    TDbMoment moment;
    moment.Year = int(Int >> 40);
    moment.Month = int((Int >> 32) & 0xff);
    moment.Day = int((Int >> 24) & 0xff);
    moment.Hour = int((Int >> 16) & 0xff);
    moment.Minute = int((Int >> 8) & 0xff);
    moment.Second = int(Int & 0xff);
    moment.Millisecond = int(Count);
    return moment;
}

RowCell RowCell::Deferred(qint64 ARowKey) {
    return Number(TKind::Deferred, ARowKey);
}

RowCell RowCell::Variant(const QVariant* AValue) {
    RowCell cell;
    cell.CellKind = TKind::Variant;
    cell.Whole = AValue;
    return cell;
}

RowCell RowCell::Of(const QVariant& AValue) {
    switch (AValue.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::Int:
        return Number(TKind::Integer, *static_cast<const int*>(AValue.constData()));
    case QMetaType::Double:
        return Real(*static_cast<const double*>(AValue.constData()));
    case QMetaType::QString: {
        // A null text stays null: its cell points nowhere.
        const auto* text = static_cast<const QString*>(AValue.constData());
        return Text(TKind::Utf16, text->isNull() ? nullptr : text->constData(), text->size());
    }
    case QMetaType::QDateTime:
        if (const std::optional<TDbMoment> moment = TDbMoment::Of(*static_cast<const QDateTime*>(AValue.constData()))) {
            return Moment(*moment);
        }
        return Variant(&AValue);
    default:
        return Variant(&AValue);
    }
}

QString RowCell::String() const {
    switch (CellKind) {
    case TKind::Ascii:
        return QString::fromLatin1(Pointer, qsizetype(Count));
    case TKind::Utf16:
        return QString(reinterpret_cast<const QChar*>(Pointer), qsizetype(Count));
    default:
        return Value().toString();
    }
}

QVariant RowCell::Value() const {
    switch (CellKind) {
    case TKind::Null:
        return {};
    case TKind::Integer:
        return int(Int);
    case TKind::LargeInt:
        return Int;
    case TKind::Boolean:
        return Int != 0;
    case TKind::Real:
        return Dbl;
    case TKind::Ascii:
    case TKind::Utf16:
        return String();
    case TKind::Bytes:
        return QByteArray(Pointer, qsizetype(Count));
    case TKind::Moment:
        return MomentValue().ToDateTime();
    case TKind::Deferred:
        return QVariant::fromValue(TDbDeferred{Int});
    case TKind::Variant:
        return *Whole;
    }
    return {};
}
