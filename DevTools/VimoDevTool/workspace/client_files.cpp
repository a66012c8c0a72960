// Placeholder until the client files land.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::removeVimoListCache(const std::u16string&) { return S_FALSE; }
HRESULT VimoWorkspace::disableReload(const std::u16string&) { return E_FAIL; }

} // namespace vimo
