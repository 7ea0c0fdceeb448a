#include "data/odbc/OdbcConnectionString.h"

#include "data/TDbErrors.h"

namespace OdbcConnectionString {

const QStringList& DriverCandidates() {
    static const QStringList candidates{
        QStringLiteral("SQL SERVER NATIVE CLIENT 11.0"),
        QStringLiteral("ODBC DRIVER 11 FOR SQL SERVER"),
        QStringLiteral("SQL SERVER NATIVE CLIENT 10.0"),
        QStringLiteral("SQL NATIVE CLIENT"),
        QStringLiteral("SQL SERVER"),
        QStringLiteral("ODBC Driver 18 for SQL Server"),
        QStringLiteral("ODBC Driver 17 for SQL Server"),
        QStringLiteral("FreeTDS"),
    };
    return candidates;
}

bool IsNativeClientFamily(const QString& ADriver) {
    const QStringList& candidates = DriverCandidates();
    for (int i = 0; i < 4; ++i) {
        if (ADriver.compare(candidates[i], Qt::CaseInsensitive) == 0) {
            return true;
        }
    }
    return false;
}

QString ChooseDriver(const QStringList& AInstalled) {
    for (const QString& candidate : DriverCandidates()) {
        for (const QString& installed : AInstalled) {
            if (installed.compare(candidate, Qt::CaseInsensitive) == 0) {
                return installed;
            }
        }
    }
    return {};
}

BraceStyle BraceStyleOf(const QString& ADriver) {
    return ADriver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0 ? BraceStyle::FreeTds : BraceStyle::Odbc;
}

QString QuoteValue(const QString& AValue, BraceStyle AStyle) {
    // The string goes to the driver NUL-terminated: a NUL would end it there, dropping every attribute after it.
    if (AValue.contains(QChar(0))) {
        throw EDbError(QStringLiteral("[Strata][Phys][ODBC] A connection value holding a NUL character cannot be "
                                      "passed to the driver"));
    }
    static const QString special = QStringLiteral(";{}=");
    bool needsBraces = !AValue.isEmpty() && (AValue.front().isSpace() || AValue.back().isSpace());
    for (QChar c : AValue) {
        if (special.contains(c)) {
            needsBraces = true;
        }
    }
    if (!needsBraces) {
        return AValue;
    }
    if (AStyle == BraceStyle::FreeTds) {
        // FreeTDS ends a braced value at the first "};" and would read what follows as further attributes.
        if (AValue.contains(QLatin1String("};"))) {
            throw EDbError(QStringLiteral("[Strata][Phys][ODBC] A connection value holding \"};\" cannot be passed "
                                          "to the driver"));
        }
        return QLatin1Char('{') + AValue + QLatin1Char('}');
    }
    QString escaped = AValue;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

QString ParamValue(const QStringList& AParams, const QString& AKey) {
    for (const QString& line : AParams) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq >= 0 && QStringView(line).left(eq).compare(AKey, Qt::CaseInsensitive) == 0) {
            return line.mid(eq + 1);
        }
    }
    return {};
}

bool Holds(const QString& AConnectionString, QLatin1StringView AKeyword) {
    return AConnectionString.contains(AKeyword + QLatin1Char('='), Qt::CaseInsensitive);
}

QString Build(const QString& ADriver, const QStringList& AParams) {
    static const std::pair<const char*, const char*> pairs[] = {
        {"UID", "User_Name"}, {"PWD", "Password"}, {"Server", "Server"}, {"Database", "Database"}};
    const BraceStyle style = BraceStyleOf(ADriver);
    QStringList parts;
    if (!ADriver.isEmpty()) {
        parts << QStringLiteral("DRIVER=") + QuoteValue(ADriver, style);
    }
    for (const auto& [Keyword, Param] : pairs) {
        const QString value = ParamValue(AParams, QLatin1String(Param));
        if (!value.isEmpty()) {
            parts << QLatin1String(Keyword) + QLatin1Char('=') + QuoteValue(value, style);
        }
    }
    QString result = parts.join(QLatin1Char(';'));
    if (IsNativeClientFamily(ADriver) && !Holds(result, QLatin1StringView("MARS_Connection"))) {
        result += QStringLiteral(";MARS_Connection=yes");
    }
    // With the version stated, FreeTDS honours the login timeout against a server that accepts and never answers;
    // left to negotiate it, it waits for ever. A server of an older version answers with the version it speaks.
    // Always appended: a value holding "TDS_Version=" is braced, so it names no keyword and must not unpin it.
    if (BraceStyleOf(ADriver) == BraceStyle::FreeTds) {
        result += QStringLiteral(";TDS_Version=7.4");
    }
    if (result.endsWith(QLatin1Char('}'))) {
        result += QLatin1Char(';');
    }
    return result;
}

} // namespace OdbcConnectionString
