#include "io/memoryadvice.h"

#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

void adviseLargePages(void *data, std::size_t size)
{
#ifdef __linux__
    constexpr std::uintptr_t kLargePage = std::uintptr_t(2) << 20;
    if (size < 4 * kLargePage)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (begin + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kLargePage - 1);
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_HUGEPAGE);
#else
    (void)data;
    (void)size;
#endif
}
