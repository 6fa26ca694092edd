#pragma once

#include <cstdint>

class TForm1;
class TForm2;
class TForm3;

// The values the three windows share. The window references are the only way
// the windows reach one another; start-up sets them and they stay valid until
// the process ends.
extern TForm1* Form1;
extern TForm2* Form2;
extern TForm3* Form3;

// Platform number written into the site's redirect URLs; 0 builds the debug launcher.
extern std::int32_t PlatformId;

// True until the launcher has styled its first blank page.
extern bool FirstBlankPending;

// First ports of the two command servers; a failed start moves them on.
extern std::uint16_t LauncherCommandPort;
extern std::uint16_t GameCommandPort;

// Countdowns of the closing notice: the game window's half-second ticks before
// the notice shows, and the notice's seconds before the process ends.
extern std::int32_t ExitTicks;
extern std::int32_t NoticeSeconds;

// Ends the process with an exit code through the runtime's normal exit path.
// Replaceable so that tests can watch the process end.
extern void (*ExitProcess)(int code);
