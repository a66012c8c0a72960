// Placeholder until the upload package lands.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::buildUploadPackage(const std::u16string&, std::u16string&) { return E_FAIL; }
std::u16string VimoWorkspace::uploadArchivePath(const std::u16string&) const { return {}; }
HRESULT VimoWorkspace::copyArchivePathToClipboard(const std::u16string&, Clipboard*) const { return E_FAIL; }
PathList VimoWorkspace::listFolderFiles(const std::u16string&) const { return {}; }
int VimoWorkspace::classifyFile(const std::u16string&) const { return FileNotSupported; }

} // namespace vimo
