#pragma once

#include <cstdint>

// Deployment values of the game's site, fixed at build time (see the CMake cache
// variables QUORVANE_*). Nothing is read at run time.
namespace deployment {

extern const char* const StartPageHost;  // start-page redirect service
extern const char* const PortalHost;     // game portal
extern const char* const LinkHost;       // link-page redirect service
extern const std::int32_t BuiltPlatformId;

}  // namespace deployment
