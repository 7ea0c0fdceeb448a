#pragma once

#include <QObject>

/// Transaction settings of a connection. Auto-commit is on: every statement commits by itself.
class TDbTransaction : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    bool AutoCommit() const { return true; }
};
