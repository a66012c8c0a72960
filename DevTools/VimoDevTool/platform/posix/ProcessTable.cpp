#include "platform/posix/ProcessTable.h"

namespace vimo {

bool ProcessTable::isProgramRunning(const std::u16string&) { return false; }

} // namespace vimo
