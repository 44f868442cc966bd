#include "FrameHeapPolicy.h"

#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace hazard_desk {

bool FrameHeapPolicy::apply() {
#if defined(__GLIBC__)
    const bool threshold = mallopt(M_MMAP_THRESHOLD, kLargestHeapBlockBytes) == 1;
    const bool trim = mallopt(M_TRIM_THRESHOLD, kKeptFreeBytes) == 1;
    const bool heaps = mallopt(M_ARENA_MAX, kHeaps) == 1;
    return threshold && trim && heaps;
#else
    // The Windows heap keeps large freed blocks committed for reuse itself.
    return false;
#endif
}

}  // namespace hazard_desk
