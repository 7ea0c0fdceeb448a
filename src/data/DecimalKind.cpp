#include "data/DecimalKind.h"

const char* DecimalKindName(qint64 APrecision, qint64 AScale) {
    return APrecision <= 18 && AScale <= 4 ? "BCD" : "FMTBcdField";
}
