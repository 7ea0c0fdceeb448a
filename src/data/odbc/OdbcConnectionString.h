#pragma once

#include <QString>
#include <QStringList>

/// Choice of the SQL Server ODBC driver and the connection string handed to it. Pure text work, no ODBC calls.
namespace OdbcConnectionString {

/// SQL Server drivers in order of preference. The first four are the vendor's own Windows drivers, which support
/// MARS and nvarchar(max) parameters; the rest are the drivers found on this platform.
const QStringList& DriverCandidates();

/// True when ADriver names one of the first four candidates (case ignored).
bool IsNativeClientFamily(const QString& ADriver);

/// The first candidate, in candidate order, that AInstalled holds (case ignored), under its installed name;
/// empty when none is installed.
QString ChooseDriver(const QStringList& AInstalled);

/// How a driver reads a braced value: the ODBC rule (up to the closing brace, "}}" standing for "}"), or FreeTDS's
/// (up to the first "};", taken literally).
enum class BraceStyle { Odbc, FreeTds };

/// The brace style of the named driver.
BraceStyle BraceStyleOf(const QString& ADriver);

/// A value as a connection string may carry it: braced when it holds a character that could end or open an
/// attribute (";", "{", "}", "=") or has a blank at either end, unchanged otherwise. In the ODBC style "}" is doubled;
/// in the FreeTDS style the value is kept as it is and must be followed by ";" (Build does that). EDbError when
/// the value holds "};", which FreeTDS cannot take without ending the value there, and in both styles when it holds
/// U+0000, which would end the whole string.
QString QuoteValue(const QString& AValue, BraceStyle AStyle = BraceStyle::Odbc);

/// The value of AKey among "Key=Value" lines (key case ignored, value after the first "="); empty when absent.
QString ParamValue(const QStringList& AParams, const QString& AKey);

/// Whether the connection string holds "<AKeyword>=" anywhere, case ignored.
bool Holds(const QString& AConnectionString, QLatin1StringView AKeyword);

/// "DRIVER=<driver>" (left out when ADriver is empty), then UID, PWD, Server and Database from the parameter lines
/// User_Name, Password, Server and Database, each only when it has a value; pairs separated by ";". For the first
/// four candidates ";MARS_Connection=yes" follows when the string does not hold "MARS_CONNECTION=" yet; for FreeTDS
/// ";TDS_Version=7.4" always follows (no braced value can name a keyword). Values are quoted in the driver's brace
/// style; a string whose last value is braced ends in ";", because FreeTDS keeps the closing brace of a value that ends
/// the string. EDbError for a value holding U+0000.
QString Build(const QString& ADriver, const QStringList& AParams);

} // namespace OdbcConnectionString
