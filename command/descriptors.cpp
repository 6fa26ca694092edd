#include "command/descriptors.h"

#ifdef _WIN32
#include <limits>
#else
#include <sys/resource.h>

#include <algorithm>
#endif

namespace quorvane::command {

#ifdef _WIN32

uint64_t RaiseDescriptorLimit() {
    return std::numeric_limits<uint64_t>::max();
}

#else

uint64_t RaiseDescriptorLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    const rlim_t wanted = std::min<rlim_t>(limit.rlim_max, kDescriptorLimitCap);
    if (limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = wanted;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return static_cast<uint64_t>(limit.rlim_cur);
}

#endif

}  // namespace quorvane::command
