#pragma once

// On Windows the result codes, error numbers, registry value types and file attribute bits are
// the system's own macros; only the result type is named in the model's namespace. These two
// headers only, not the whole of <windows.h>; they still bring the system's base types (GUID,
// DWORD, ...) into the global namespace, so code that imports a namespace of the model's own
// types qualifies those names.

#include <windef.h>
#include <winerror.h>

namespace vimo {

using HRESULT = ::HRESULT;

} // namespace vimo
