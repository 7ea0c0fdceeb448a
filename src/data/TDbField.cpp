#include "data/TDbField.h"

#include "platform/AnsiCodePage.h"

#include <QStringDecoder>

namespace {

QString DecodeBytes(const QByteArray& ABytes) {
    // Valid UTF-8 is decoded as such (its byte-order mark dropped); anything else one character per byte.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(ABytes);
    if (!utf8.hasError()) {
        return text;
    }
    return AnsiCodePage::toUnicode(ABytes);
}

QString TextOf(const QVariant& AValue) {
    switch (AValue.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::QString:
        return AValue.toString();
    case QMetaType::QByteArray:
        return DecodeBytes(AValue.toByteArray());
    case QMetaType::Double:
        return QString::number(AValue.toDouble(), 'g', 15);
    case QMetaType::QDateTime:
        return AValue.toDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    case QMetaType::Bool:
        return AValue.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return AValue.toString();
    }
}

} // namespace

QString TDbField::AsString() const {
    // Null and no bytes read as the empty text itself, never as a null QString that a caller could tell from it.
    const QString text = TextOf(Value);
    return text.isNull() ? QStringLiteral("") : text;
}

int TDbField::AsInteger() const {
    switch (Value.typeId()) {
    case QMetaType::UnknownType:
        return 0;
    case QMetaType::Double:
        return qRound(Value.toDouble());
    case QMetaType::QString:
        return Value.toString().trimmed().toInt();
    default:
        return int(Value.toLongLong());
    }
}

QByteArray TDbField::AsBytes() const {
    switch (Value.typeId()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::QByteArray:
        return Value.toByteArray();
    default:
        return AsString().toUtf8();
    }
}

QDateTime TDbField::AsDateTime() const {
    return Value.typeId() == QMetaType::QDateTime ? Value.toDateTime() : QDateTime();
}

double TDbField::AsFloat() const {
    return Value.isNull() ? 0.0 : Value.toDouble();
}
