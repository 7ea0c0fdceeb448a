#pragma once

#include <QObject>

/// Retail data module: the KVORA connection and every statement run there.
class TdtmZEVRIK : public QObject {
    Q_OBJECT
public:
    explicit TdtmZEVRIK(QObject* parent = nullptr);
    ~TdtmZEVRIK() override;
};

/// The single instance, alive from start-up to exit; null outside that span.
extern TdtmZEVRIK* dtmZEVRIK;
