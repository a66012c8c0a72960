// Placeholder until the catalogue reader lands.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::loadAll() { return E_FAIL; }
HRESULT VimoWorkspace::addFromFolder(const std::u16string&) { return E_FAIL; }
HRESULT VimoWorkspace::getVimo(const std::u16string&, VimoInfo&) const { return S_FALSE; }
VimoMap VimoWorkspace::GetDevVimos() const { return {}; }
VimoMap VimoWorkspace::GetPublishedVimos() const { return {}; }
bool VimoWorkspace::hasPackageMarker(const std::u16string&) const { return false; }

} // namespace vimo
