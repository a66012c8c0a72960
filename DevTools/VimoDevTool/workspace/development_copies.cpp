// Placeholder until under-development copies land.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::createDevelopmentCopy(const std::u16string&, std::u16string&) { return E_FAIL; }
PathList VimoWorkspace::listCopyableFiles(const std::u16string&) const { return {}; }
HRESULT VimoWorkspace::copyFiles(const PathList&, const std::u16string&, const std::u16string&) { return E_FAIL; }
HRESULT VimoWorkspace::copyOneFile(const std::u16string&, const std::u16string&) { return E_FAIL; }
HRESULT VimoWorkspace::copyPackage(const std::u16string&, const std::u16string&) { return E_FAIL; }
std::u16string VimoWorkspace::parentFolder(const std::u16string&) { return {}; }
std::u16string VimoWorkspace::trimTrailingBackslashes(const std::u16string& path) { return path; }
bool VimoWorkspace::createFolderChain(const std::u16string&) { return false; }

} // namespace vimo
