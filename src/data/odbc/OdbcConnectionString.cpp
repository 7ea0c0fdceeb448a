#include "data/odbc/OdbcConnectionString.h"

#include "data/TDbErrors.h"

namespace OdbcConnectionString {

const QStringList& DriverCandidates() {
    static const QStringList Candidates{
        QStringLiteral("SQL SERVER NATIVE CLIENT 11.0"),
        QStringLiteral("ODBC DRIVER 11 FOR SQL SERVER"),
        QStringLiteral("SQL SERVER NATIVE CLIENT 10.0"),
        QStringLiteral("SQL NATIVE CLIENT"),
        QStringLiteral("SQL SERVER"),
        QStringLiteral("ODBC Driver 18 for SQL Server"),
        QStringLiteral("ODBC Driver 17 for SQL Server"),
        QStringLiteral("FreeTDS"),
    };
    return Candidates;
}

bool IsNativeClientFamily(const QString& ADriver) {
    const QStringList& Candidates = DriverCandidates();
    for (int I = 0; I < 4; ++I) {
        if (ADriver.compare(Candidates[I], Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString ChooseDriver(const QStringList& AInstalled) {
    for (const QString& Candidate : DriverCandidates()) {
        for (const QString& Installed : AInstalled) {
            if (Installed.compare(Candidate, Qt::CaseInsensitive) == 0)
                return Installed;
        }
    }
    return {};
}

BraceStyle BraceStyleOf(const QString& ADriver) {
    return ADriver.compare(QLatin1String("FreeTDS"), Qt::CaseInsensitive) == 0 ? BraceStyle::FreeTds : BraceStyle::Odbc;
}

QString QuoteValue(const QString& AValue, BraceStyle AStyle) {
    // The string goes to the driver NUL-terminated: a NUL would end it there, dropping every attribute after it.
    if (AValue.contains(QChar(0)))
        throw EDbError(QStringLiteral("[Strata][Phys][ODBC] A connection value holding a NUL character cannot be "
                                      "passed to the driver"));
    static const QString Special = QStringLiteral(";{}=");
    bool NeedsBraces = !AValue.isEmpty() && (AValue.front().isSpace() || AValue.back().isSpace());
    for (QChar C : AValue) {
        if (Special.contains(C))
            NeedsBraces = true;
    }
    if (!NeedsBraces)
        return AValue;
    if (AStyle == BraceStyle::FreeTds) {
        // FreeTDS ends a braced value at the first "};" and would read what follows as further attributes.
        if (AValue.contains(QLatin1String("};")))
            throw EDbError(QStringLiteral("[Strata][Phys][ODBC] A connection value holding \"};\" cannot be passed "
                                          "to the driver"));
        return QLatin1Char('{') + AValue + QLatin1Char('}');
    }
    QString Escaped = AValue;
    Escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + Escaped + QLatin1Char('}');
}

QString ParamValue(const QStringList& AParams, const QString& AKey) {
    for (const QString& Line : AParams) {
        const qsizetype Eq = Line.indexOf(QLatin1Char('='));
        if (Eq >= 0 && QStringView(Line).left(Eq).compare(AKey, Qt::CaseInsensitive) == 0)
            return Line.mid(Eq + 1);
    }
    return {};
}

bool Holds(const QString& AConnectionString, QLatin1StringView AKeyword) {
    return AConnectionString.contains(AKeyword + QLatin1Char('='), Qt::CaseInsensitive);
}

QString Build(const QString& ADriver, const QStringList& AParams) {
    static const std::pair<const char*, const char*> Pairs[] = {
        {"UID", "User_Name"}, {"PWD", "Password"}, {"Server", "Server"}, {"Database", "Database"}};
    const BraceStyle Style = BraceStyleOf(ADriver);
    QStringList Parts;
    if (!ADriver.isEmpty())
        Parts << QStringLiteral("DRIVER=") + QuoteValue(ADriver, Style);
    for (const auto& [Keyword, Param] : Pairs) {
        const QString Value = ParamValue(AParams, QLatin1String(Param));
        if (!Value.isEmpty())
            Parts << QLatin1String(Keyword) + QLatin1Char('=') + QuoteValue(Value, Style);
    }
    QString Result = Parts.join(QLatin1Char(';'));
    if (IsNativeClientFamily(ADriver) && !Holds(Result, QLatin1StringView("MARS_Connection")))
        Result += QStringLiteral(";MARS_Connection=yes");
    // With the version stated, FreeTDS honours the login timeout against a server that accepts and never answers;
    // left to negotiate it, it waits for ever. A server of an older version answers with the version it speaks.
    // Always appended: a value holding "TDS_Version=" is braced, so it names no keyword and must not unpin it.
    if (BraceStyleOf(ADriver) == BraceStyle::FreeTds)
        Result += QStringLiteral(";TDS_Version=7.4");
    if (Result.endsWith(QLatin1Char('}')))
        Result += QLatin1Char(';');
    return Result;
}

} // namespace OdbcConnectionString
