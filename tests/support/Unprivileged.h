#pragma once

#include <QString>

#include <functional>

/// Runs check where file permissions are enforced and returns its result: in a child process that has dropped to
/// the user and group "nobody" (65534) when the test runs as root, in this process otherwise. The child shares
/// nothing back but the result, so check must do its own comparisons.
bool RunWithoutPrivileges(const std::function<bool()>& check);

/// Gives the file or folder at path to the user and group "nobody" when the test runs as root, so that the
/// unprivileged check meets it as its owner and only the mode bits under test can refuse; true on success (and
/// always when not root, where the current user already owns what the test made).
bool GiveToUnprivileged(const QString& path);
