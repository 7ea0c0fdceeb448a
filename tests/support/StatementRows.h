#pragma once

#include "data/IDbStatement.h"

#include <QList>
#include <QVariantList>

/// Every row of AStatement's result, each column read as the kind the back end reports for it.
QList<QVariantList> ReadAll(IDbStatement& AStatement);
