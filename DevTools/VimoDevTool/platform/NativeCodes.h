#pragma once

// The result codes, error numbers, registry value types and file attribute bits of the system
// being built for, under their Windows names (S_OK, ERROR_FILE_NOT_FOUND, REG_SZ, ...).
#if defined(_WIN32)
#include "platform/win32/NativeCodes.h"
#else
#include "platform/posix/NativeCodes.h"
#endif
