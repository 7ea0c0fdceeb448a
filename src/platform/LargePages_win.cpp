#include "platform/LargePages.h"

namespace LargePages {

// Large pages on Windows need a privilege that an operator's account does not hold; the heap's pages serve.
void Advise(char*, std::size_t) {}

} // namespace LargePages
