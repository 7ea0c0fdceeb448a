#pragma once

#include <cstddef>

namespace LargePages {

/// Asks the system to back [AData, AData + ASize) with large pages where it can, which cuts the page faults of
/// filling a large block. Advice only: where the system has no such advice, or refuses it, nothing changes.
void Advise(char* AData, std::size_t ASize);

} // namespace LargePages
