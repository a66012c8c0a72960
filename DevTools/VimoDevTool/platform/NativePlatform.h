#pragma once

// The platform implementation of the system being built for, for code that derives from it
// (tests replace single services such as the clock or the environment).
#if defined(_WIN32)
#include "platform/win32/Win32Platform.h"
namespace vimo {
using NativePlatform = Win32Platform;
}
#else
#include "platform/posix/PosixPlatform.h"
namespace vimo {
using NativePlatform = PosixPlatform;
}
#endif
