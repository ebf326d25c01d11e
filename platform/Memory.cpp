#include "platform/Memory.h"

#include <cstdlib> // defines __GLIBC__ under glibc

#if defined(__GLIBC__)
#include <malloc.h>
#endif

void KeepFreedMemory() {
#if defined(__GLIBC__)
    // Up to 32 MB (the most glibc takes) stays in the heap: the buffers of any STL file come
    // from it, and it is not trimmed after each file.
    constexpr int kKept = 32 * 1024 * 1024;
    mallopt(M_TRIM_THRESHOLD, kKept);
    mallopt(M_MMAP_THRESHOLD, kKept);
#endif
}
