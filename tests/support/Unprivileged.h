#pragma once

#include <functional>

/// Runs check where file permissions are enforced and returns its result: in a child process that has dropped to
/// the user and group "nobody" (65534) when the test runs as root, in this process otherwise. The child shares
/// nothing back but the result, so check must do its own comparisons.
bool RunWithoutPrivileges(const std::function<bool()>& check);
