#include "platform/posix/DesktopShell.h"

namespace vimo {

int DesktopShell::open(const std::u16string&) { return 31; }

int DesktopShell::openClientCommand(const std::u16string&, const std::string&) { return 31; }

} // namespace vimo
