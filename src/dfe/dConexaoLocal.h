#pragma once

#include <QObject>

/// DFe data module: the connection to one DFe data file and its document list.
class TdtmConexaoLocal : public QObject {
    Q_OBJECT
public:
    explicit TdtmConexaoLocal(QObject* parent = nullptr);
    ~TdtmConexaoLocal() override;
};

/// The single instance, alive from start-up to exit; null outside that span.
extern TdtmConexaoLocal* dtmConexaoLocal;
