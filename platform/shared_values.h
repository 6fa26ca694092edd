#pragma once

#include <cstdint>

// The values the windows share, one set per run of the program, owned by the
// application and handed to each window at its creation.
struct SharedValues {
    // First ports of the two command servers; a failed start moves them on.
    static constexpr std::uint16_t kLauncherFirstPort = 3581;
    static constexpr std::uint16_t kGameFirstPort = 10803;

    // Platform number written into the site's redirect URLs; 0 builds the
    // debug launcher. The launcher sets it when it is constructed.
    std::int32_t PlatformId = 0;
    // True until the launcher has styled its first blank page.
    bool FirstBlankPending = false;
    std::uint16_t LauncherCommandPort = kLauncherFirstPort;
    std::uint16_t GameCommandPort = kGameFirstPort;
    // Countdowns of the closing notice: the game window's half-second ticks
    // before the notice shows, and the notice's seconds before the process ends.
    std::int32_t ExitTicks = 2;
    std::int32_t NoticeSeconds = 7;
};
