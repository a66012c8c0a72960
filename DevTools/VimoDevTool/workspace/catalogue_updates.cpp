// Placeholder until catalogue writing lands.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::writeVimo(const std::u16string&, const VimoInfo&) { return E_FAIL; }
HRESULT VimoWorkspace::markUnderDevelopment(const std::u16string&) { return E_FAIL; }
HRESULT VimoWorkspace::setCatalogueId(const std::u16string&, const std::u16string&) { return E_FAIL; }

} // namespace vimo
