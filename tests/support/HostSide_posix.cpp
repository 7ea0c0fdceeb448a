#include "HostSide.h"

#include <QCoreApplication>

namespace HostSide {

QString Program(const QString& name) {
    return name;
}

QString Path(const QString& path) {
    return path;
}

qint64 ProcessId() {
    return QCoreApplication::applicationPid();
}

} // namespace HostSide
