// Placeholder until the developer configuration lands.
#include "workspace/VimoWorkspace.h"

namespace vimo {

HRESULT VimoWorkspace::loadDeveloperConfiguration() { return E_FAIL; }
std::u16string VimoWorkspace::developerServer() const { return u"http://developer.orvo.com"; }
std::u16string VimoWorkspace::contentServer() const { return u"http://www.orvo.com"; }
void VimoWorkspace::setConfiguration(const DeveloperConfiguration& configuration) { m_configuration = configuration; }

} // namespace vimo
