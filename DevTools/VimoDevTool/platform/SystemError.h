#pragma once

#include "platform/ResultCodes.h"

#include <cstdint>

namespace vimo {

// The Windows error number that matches an errno value (ENOENT 2, EACCES 5, ...; 31 otherwise).
std::uint32_t win32ErrorFromErrno(int error);

// A failure code for an errno value; 0 stays 0.
HRESULT hresultFromErrno(int error);

} // namespace vimo
