#pragma once

#include <QtGlobal>

/// The kind name of a decimal column, the same for every back end: up to 18 digits with at most 4 of them decimals
/// fit the fixed-point "BCD"; a wider one needs the formatted "FMTBcdField".
const char* DecimalKindName(qint64 APrecision, qint64 AScale);
