#pragma once

// On Windows the result codes, error numbers, registry value types and file attribute bits are
// the system's own macros; only the result type is named in the model's namespace. No more of
// the system's headers than these two, so that the model's users keep their names.

#include <windef.h>
#include <winerror.h>

namespace vimo {

using HRESULT = ::HRESULT;

} // namespace vimo
