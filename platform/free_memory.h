#pragma once

namespace quorvane::platform {

// Hands the heap's free memory back to the system. A browser engine frees a
// great deal when a page goes away, but the allocator keeps it for later
// unless told otherwise, and the player's memory stays taken for the rest of
// the evening.
void ReleaseFreeMemory();

}  // namespace quorvane::platform
