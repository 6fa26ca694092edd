#pragma once

#include <cstdint>

// Deployment values of the game's site, fixed at build time (see the CMake cache
// variables QUORVANE_*). Nothing is read at run time.
namespace deployment {

extern const char* const kStartPageHost;  // start-page redirect service
extern const char* const kPortalHost;     // game portal
extern const char* const kLinkHost;       // link-page redirect service
extern const std::int32_t kBuiltPlatformId;

}  // namespace deployment
