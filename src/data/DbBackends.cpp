#include "data/DbBackends.h"
#include "data/TDbErrors.h"

#include <QHash>

namespace {

QHash<QString, DbBackends::Factory>& Registry() {
    static QHash<QString, DbBackends::Factory> factories;
    return factories;
}

} // namespace

namespace DbBackends {

void Register(const QString& ADriverId, Factory AFactory) {
    Registry().insert(ADriverId.toUpper(), std::move(AFactory));
}

std::unique_ptr<IDbBackend> Create(const QString& ADriverId) {
    const auto it = Registry().constFind(ADriverId.trimmed().toUpper());
    if (it == Registry().constEnd()) {
        throw EDbError(ADriverId.isEmpty()
                           ? QStringLiteral("Connection is not configured: DriverID is missing")
                           : QStringLiteral("No database back end is registered for DriverID '%1'").arg(ADriverId));
    }
    return (*it)();
}

} // namespace DbBackends
