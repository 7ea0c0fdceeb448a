#pragma once

#include <chrono>
#include <optional>

namespace FileModified {

/// When the file at AUtf8Path was last written, since 1970-01-01 UTC, as finely as the file system keeps it (a write
/// within the same second as the one before must still show); none when it cannot be had.
std::optional<std::chrono::nanoseconds> Time(const char* AUtf8Path);

} // namespace FileModified
