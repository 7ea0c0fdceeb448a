#include "widgets/dberror/DbErrorTexts.h"

#include <QStringList>

#include <algorithm>

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString Separator = QString(43, QLatin1Char('-'));

} // namespace

namespace DbErrorTexts {

QString Caption() {
    return QStringLiteral("Strata Error");
}

QString BandText() {
    return QStringLiteral("The application performed an incorrect operation with the database.");
}

QString FormatErrorCode(int ACode) {
    return ACode > 0 ? QStringLiteral("%1").arg(ACode, 5, 10, QLatin1Char('0')) : QString::number(ACode);
}

QString FormatCommandTextOffset(int AOffset) {
    return AOffset == -1 ? QString() : QString::number(AOffset);
}

QString ToCrLf(const QString& AText) {
    QString result;
    result.reserve(AText.size() + AText.size() / 16);
    for (qsizetype i = 0; i < AText.size(); ++i) {
        const QChar ch = AText.at(i);
        if (ch == QLatin1Char('\r')) {
            if (i + 1 < AText.size() && AText.at(i + 1) == QLatin1Char('\n')) {
                ++i;
            }
            result += CrLf;
        } else if (ch == QLatin1Char('\n')) {
            result += CrLf;
        } else {
            result += ch;
        }
    }
    return result;
}

bool HasCommandText(const QString& ACommandText) {
    return std::any_of(ACommandText.cbegin(), ACommandText.cend(),
                       [](QChar ch) { return ch != QLatin1Char(' ') && ch.category() != QChar::Other_Control; });
}

QString CopyText(const EDbEngineError& AError, int ARecord) {
    const bool hasRecord = ARecord >= 0 && ARecord < AError.Records.size();
    const TDbDiagRecord record = hasRecord ? AError.Records.at(ARecord) : TDbDiagRecord();
    QStringList lines{Caption(),
                      BandText(),
                      Separator,
                      QStringLiteral("Message text: ") + ToCrLf(record.MessageText),
                      QStringLiteral("Error code: ") + (hasRecord ? FormatErrorCode(record.NativeError) : QString()),
                      QStringLiteral("Error kind: ") + (hasRecord ? DbErrorKindName(record.Kind) : QString()),
                      QStringLiteral("Server object: ") + record.ObjName,
                      QStringLiteral("Command text offset: ") +
                          (hasRecord ? FormatCommandTextOffset(record.CommandTextOffset) : QString()),
                      Separator,
                      QStringLiteral("Command text: ") + ToCrLf(AError.CommandText),
                      QStringLiteral("Command parameters:")};
    for (const auto& [name, value] : AError.Params) {
        lines.append(QStringLiteral("  %1=%2").arg(name, value));
    }
    lines.append({Separator, QStringLiteral("Exception class name: ") + AError.TypeName,
                  QStringLiteral("Strata error code: ") + QString::number(AError.LayerCode),
                  QStringLiteral("Strata object name: ") + AError.ObjectName});
    return lines.join(CrLf) + CrLf;
}

} // namespace DbErrorTexts
