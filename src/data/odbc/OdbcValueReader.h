#pragma once

#include "data/TDbFieldDef.h"

#include <QString>
#include <QVariant>

class OdbcHandle;

/// Reading the values of the current row of an ODBC statement.
namespace OdbcValueReader {

/// Reads column AColumn (1-based) of the current row in the natural form of its column kind: QString for text and
/// decimals, qint64 for integers, double, QDateTime (UTC), QByteArray, bool; a null QVariant for NULL. Long values
/// are read in pieces. Columns must be read in ascending order, once each.
QVariant ReadColumn(const OdbcHandle& AStatement, int AColumn, TDbFieldKind AColumnKind, const QString& ADriverFile);

/// A column value as a field of ADef holds it (see TDbField); null stays null. 8-bit text kinds keep only what the
/// ANSI code page can hold; text longer than a limited field's size is refused (EDbError naming AColumnName)
/// rather than cut. Pure.
QVariant Convert(const QVariant& AValue, const TDbFieldDef& ADef, const QString& AColumnName);

} // namespace OdbcValueReader
