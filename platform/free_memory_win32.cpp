#include <malloc.h>
#include <windows.h>

#include "platform/free_memory.h"

namespace quorvane::platform {

void ReleaseFreeMemory() {
    // The runtime's heap first, then the process heap it sits on.
    ::_heapmin();
    ::HeapCompact(::GetProcessHeap(), 0);
}

}  // namespace quorvane::platform
