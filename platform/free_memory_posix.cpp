#include <cstdlib>  // defines __GLIBC__ where the C library is glibc

#include "platform/free_memory.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace quorvane::platform {

void ReleaseFreeMemory() {
#ifdef __GLIBC__
    // Free pages in the middle of every arena go too, not only the top.
    ::malloc_trim(0);
#endif
}

}  // namespace quorvane::platform
