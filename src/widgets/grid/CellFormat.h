#pragma once

#include "data/TDbFieldDef.h"
#include "widgets/grid/CompiledPattern.h"

#include <QLocale>
#include <QString>

#include <optional>

class QDateTime;
class QVariant;
class RowCell;
struct TDbMoment;

/// The texts of a grid's cells in the regional formats of one locale, read from it once: asking the locale for its
/// formats on every cell costs more than reading the row itself.
class CellFormat {
public:
    explicit CellFormat(const QLocale& ALocale);

    /// The text of ACell, a value of a field of kind ADef: the regional short date and long time, the general number
    /// format with the regional decimal point, integers and text as they are, "(BLOB)" for binary.
    QString Text(const TDbFieldDef& ADef, const RowCell& ACell) const;

private:
    QString RealText(double AValue) const;
    std::optional<QString> CentsText(double AValue) const;
    QString MomentText(const TDbMoment& AMoment) const;
    QString VariantText(const TDbFieldDef& ADef, const QVariant& AValue) const;
    QString Fast(const TDbMoment& AMoment) const;
    QString Slow(const QDateTime& AMoment) const;

    QLocale Locale;
    QString TimeFormat;
    QString DecimalPoint;
    CompiledPattern Date;
    CompiledPattern Time;
    bool Compiled = false;
};
