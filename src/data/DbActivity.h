#pragma once

#include "data/IDbActivityListener.h"

/// Where the layer reports its work to whoever listens (the database-wait pointer).
namespace DbActivity {
/// Installs the listener (null removes it); not owned.
void SetListener(IDbActivityListener* AListener);
IDbActivityListener* Listener();

/// Scope guard: begins on construction, ends on destruction (also when an error leaves the scope).
class Scope {
public:
    Scope();
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};
} // namespace DbActivity
