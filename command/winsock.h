#pragma once

// The Windows API with Winsock, for the files that call into either: Winsock's
// headers must come before the rest, and the API's min/max macros would break
// the standard library's.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on
