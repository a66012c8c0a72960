#include "support/Fixtures.h"

#include <windows.h>

namespace vimo::test {

bool runningUnderWine()
{
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool makePipe(const fs::path&)
{
    return false; // Windows has no named pipes in the file system's folders
}

} // namespace vimo::test
