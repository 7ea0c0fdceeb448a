#include "dfe/dConexaoLocal.h"

TdtmConexaoLocal* dtmConexaoLocal = nullptr;

TdtmConexaoLocal::TdtmConexaoLocal(QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("dtmConexaoLocal"));
}

TdtmConexaoLocal::~TdtmConexaoLocal() = default;
