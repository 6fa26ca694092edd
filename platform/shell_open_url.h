#pragma once

// Windows only. The launcher's windows open link pages through shell_open.h,
// which takes Qt's strings; this is the same step without Qt, for what is
// built for Windows without the windows.

#include <string_view>

namespace quorvane::platform {

// Hands the address to the shell's "open" verb: no owner window, no
// parameters, no working folder, shown normally. The shell shows a web
// address in the user's default web browser. True when the shell took it on;
// the launcher does not look.
bool ShellOpenUrl(std::u16string_view url);

}  // namespace quorvane::platform
