// Placeholder until client control lands.
#include "workspace/VimoWorkspace.h"

namespace vimo {

bool VimoWorkspace::IsClientRunning() { return false; }
bool VimoWorkspace::HasSecondClientWindow() { return false; }
HRESULT VimoWorkspace::LaunchClient() { return E_FAIL; }
HRESULT VimoWorkspace::LaunchSecondClient() { return E_FAIL; }
HRESULT VimoWorkspace::NotifyReloadVimoList() { return S_OK; }
HRESULT VimoWorkspace::NotifyRefreshPackages() { return S_OK; }

} // namespace vimo
