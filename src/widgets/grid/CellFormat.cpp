#include "widgets/grid/CellFormat.h"

#include "data/RowCell.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <cmath>

namespace {

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

/// The digits of 0 to 999, three to a number (leading zeros included): the texts of the small numbers point in here.
constexpr int SharedNumbers = 1000;
constexpr std::array<char16_t, 3 * SharedNumbers> NumberDigits = [] {
    std::array<char16_t, 3 * SharedNumbers> digits{};
    for (int n = 0; n < SharedNumbers; ++n) {
        digits[std::size_t(3 * n)] = char16_t(u'0' + n / 100);
        digits[std::size_t(3 * n + 1)] = char16_t(u'0' + n / 10 % 10);
        digits[std::size_t(3 * n + 2)] = char16_t(u'0' + n % 10);
    }
    return digits;
}();

/// Every ASCII character, for the texts of one character.
constexpr std::array<char16_t, 128> AsciiCharacters = [] {
    std::array<char16_t, 128> characters{};
    for (std::size_t c = 0; c < characters.size(); ++c) {
        characters[c] = char16_t(c);
    }
    return characters;
}();

// Flag, series and status columns repeat the same short texts on every row: those texts point into the tables
// above instead of each being allocated, and copying them costs nothing either.
QString SharedNumberText(int AValue) {
    const int digits = AValue < 10 ? 1 : AValue < 100 ? 2 : 3;
    return QString::fromRawData(reinterpret_cast<const QChar*>(&NumberDigits[std::size_t(3 * AValue + 3 - digits)]),
                                digits);
}

/// The text of a cell holding text: shared for one ASCII character.
QString CellString(const RowCell& ACell) {
    if (ACell.Size() == 1) {
        const unsigned code = ACell.Kind() == RowCell::TKind::Ascii
                                  ? static_cast<unsigned char>(ACell.Data()[0])
                                  : unsigned(reinterpret_cast<const char16_t*>(ACell.Data())[0]);
        if (code < AsciiCharacters.size()) {
            return QString::fromRawData(reinterpret_cast<const QChar*>(&AsciiCharacters[code]), 1);
        }
    }
    return ACell.String();
}

/// QString::number for an integer, without its general number formatting (measurably faster over a walk).
QString DecimalText(qint64 AValue) {
    if (AValue >= 0 && AValue < SharedNumbers) {
        return SharedNumberText(int(AValue));
    }
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

CellFormat::CellFormat(const QLocale& ALocale)
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

QString CellFormat::Text(const TDbFieldDef& ADef, const RowCell& ACell) const {
    if (ADef.Kind == TDbFieldKind::Blob) {
        return ACell.IsNull() ? QStringLiteral("(Blob)") : QStringLiteral("(BLOB)");
    }
    switch (ADef.Kind) {
    case TDbFieldKind::SQLTimeStamp:
        return ACell.Kind() == RowCell::TKind::Moment ? MomentText(ACell.MomentValue())
                                                      : VariantText(ADef, ACell.Value());
    case TDbFieldKind::Float:
    case TDbFieldKind::BCD:
        return ACell.Kind() == RowCell::TKind::Real ? RealText(ACell.RealValue()) : VariantText(ADef, ACell.Value());
    default:
        break;
    }
    switch (ACell.Kind()) {
    case RowCell::TKind::Null:
        return {};
    case RowCell::TKind::Ascii:
    case RowCell::TKind::Utf16:
        return CellString(ACell);
    case RowCell::TKind::Integer:
    case RowCell::TKind::LargeInt:
        // The integers straight, without the general number formatting.
        return DecimalText(ACell.Integer());
    default:
        return VariantText(ADef, ACell.Value());
    }
}

/// General number format: up to 15 significant digits, no trailing zeros, no thousands separator.
QString CellFormat::RealText(double AValue) const {
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
std::optional<QString> CellFormat::CentsText(double AValue) const {
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
    // Sign, whole part, decimal point and the hundredths without trailing zeros, written in place.
    QString text(qsizetype(count) + 1 + DecimalPoint.size(), Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    char16_t* const start = out;
    if (cents < 0) {
        *out++ = u'-';
    }
    for (std::size_t i = count; i > 2; --i) {
        *out++ = digits[i - 1];
    }
    if (digits[1] != u'0' || digits[0] != u'0') {
        out = std::copy_n(reinterpret_cast<const char16_t*>(DecimalPoint.constData()), DecimalPoint.size(), out);
        *out++ = digits[1];
        if (digits[0] != u'0') {
            *out++ = digits[0];
        }
    }
    text.truncate(out - start);
    return text;
}

QString CellFormat::MomentText(const TDbMoment& AMoment) const {
    if (Compiled && AMoment.Year >= 1 && AMoment.Year <= 9999) {
        return Fast(AMoment);
    }
    return Slow(AMoment.ToDateTime());
}

/// A value of a kind the cells do not have (a back end's own type): through the variant's conversions.
QString CellFormat::VariantText(const TDbFieldDef& ADef, const QVariant& AValue) const {
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
QString CellFormat::Fast(const TDbMoment& AMoment) const {
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

QString CellFormat::Slow(const QDateTime& AMoment) const {
    const QString date = Locale.toString(AMoment.date(), QLocale::ShortFormat);
    if (AMoment.time() == QTime(0, 0)) {
        return date;
    }
    return date + QLatin1Char(' ') + Locale.toString(AMoment.time(), TimeFormat);
}
