#include "retail/dZevrik.h"

TdtmZEVRIK* dtmZEVRIK = nullptr;

TdtmZEVRIK::TdtmZEVRIK(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("dtmZEVRIK"));
}

TdtmZEVRIK::~TdtmZEVRIK() = default;
