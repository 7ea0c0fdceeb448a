#include "platform/ExecutablePath.h"

#include <QCoreApplication>

namespace ExecutablePath {

QString Get() {
    return QCoreApplication::applicationFilePath();
}

} // namespace ExecutablePath
