#include "app/shared_values.h"

TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm3* Form3 = nullptr;

std::int32_t PlatformId = 0;
bool FirstBlankPending = false;

std::uint16_t LauncherCommandPort = 3581;
std::uint16_t GameCommandPort = 10803;
