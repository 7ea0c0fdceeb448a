#include "platform/FileModified.h"

#include <sys/stat.h>

namespace FileModified {

std::optional<std::chrono::nanoseconds> Time(const char* AUtf8Path) {
    struct stat Info {};
    if (stat(AUtf8Path, &Info) != 0)
        return std::nullopt;
    return std::chrono::seconds(Info.st_mtim.tv_sec) + std::chrono::nanoseconds(Info.st_mtim.tv_nsec);
}

} // namespace FileModified
