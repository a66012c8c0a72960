#include "platform/posix/ProgramLauncher.h"

namespace vimo {

bool ProgramLauncher::start(const std::u16string&, const std::vector<std::u16string>&,
                            const std::u16string&, const std::string&)
{
    return false;
}

} // namespace vimo
