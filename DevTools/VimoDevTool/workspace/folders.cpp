// Placeholder until the folder walks land.
#include "workspace/VimoWorkspace.h"

namespace vimo {

std::u16string VimoWorkspace::sourceFolder(const std::u16string&) const { return {}; }
std::u16string VimoWorkspace::iconsFolder(const std::u16string&) const { return {}; }
HRESULT VimoWorkspace::openSourceFolder(const std::u16string&) { return S_OK; }
HRESULT VimoWorkspace::openIconsFolder(const std::u16string&) { return S_OK; }
HRESULT VimoWorkspace::openServicesFolder() { return S_OK; }

} // namespace vimo
