#include "app/shared_values.h"

#include <cstdlib>

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;

std::int32_t PlatformId = 0;
bool FirstBlankPending = false;

std::uint16_t LauncherCommandPort = 3581;
std::uint16_t GameCommandPort = 10803;

std::int32_t ExitTicks = 2;
std::int32_t NoticeSeconds = 7;

namespace {
[[noreturn]] void ExitThroughRuntime(int code) {
    std::exit(code);
}
}  // namespace

void (*ExitProcess)(int code) = ExitThroughRuntime;
