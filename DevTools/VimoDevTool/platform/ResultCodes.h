#pragma once

#include "platform/NativeCodes.h"

#include <cstdint>

namespace vimo {

// Status codes in the Windows style: 0 success, 1 "nothing done", negative failure.
// Callers test for a negative value unless they need to tell 1 apart. The codes themselves
// (S_OK, E_FAIL, ERROR_FILE_NOT_FOUND, ...) come from platform/NativeCodes.h.

// The HRESULT_FROM_WIN32 rule: 0 (and anything already negative) stays as it is, a Windows
// error number becomes a failure of the Win32 facility.
constexpr HRESULT hresultFromWin32(std::uint32_t error)
{
    return static_cast<HRESULT>(error) <= 0
               ? static_cast<HRESULT>(error)
               : static_cast<HRESULT>((error & 0x0000FFFFu) | 0x80070000u);
}

constexpr bool failed(HRESULT hr)
{
    return hr < 0;
}
constexpr bool succeeded(HRESULT hr)
{
    return hr >= 0;
}

} // namespace vimo
