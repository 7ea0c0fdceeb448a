#pragma once

#include "data/IDbBackend.h"

#include <QString>

#include <functional>
#include <memory>

/// The back ends by driver id: "DriverID=<id>" in a connection's parameters picks one. The layer knows none of
/// them: each is registered by its users (the data modules) before a connection opens on it.
namespace DbBackends {
using Factory = std::function<std::unique_ptr<IDbBackend>()>;
/// Makes "DriverID=<ADriverId>" available (matched without regard to case).
void Register(const QString& ADriverId, Factory AFactory);
/// A new back-end connection for the driver id; EDbError when none is registered.
std::unique_ptr<IDbBackend> Create(const QString& ADriverId);
} // namespace DbBackends
