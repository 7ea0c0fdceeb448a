#include "data/TDbParams.h"

TDbParam& TDbParams::AddParam(TDbFieldType ADataType, const QString& AName) {
    TDbParam& param = Items.emplace_back();
    param.Name = AName;
    param.DataType = ADataType;
    return param;
}
