#include "platform/LargePages.h"

#include <cstdint>

#include <sys/mman.h>

namespace LargePages {

void Advise([[maybe_unused]] char* AData, [[maybe_unused]] std::size_t ASize) {
#ifdef MADV_HUGEPAGE
    constexpr std::uintptr_t page = std::uintptr_t(2) << 20;
    const std::uintptr_t begin = (reinterpret_cast<std::uintptr_t>(AData) + page - 1) / page * page;
    const std::uintptr_t end = (reinterpret_cast<std::uintptr_t>(AData) + ASize) / page * page;
    if (end > begin) {
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
    }
#endif
}

} // namespace LargePages
