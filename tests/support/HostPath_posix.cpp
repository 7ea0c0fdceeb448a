#include "HostPath.h"

QString HostPath(const QString& APath) {
    return APath;
}
