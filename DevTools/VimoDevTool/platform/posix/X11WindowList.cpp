#include "platform/posix/X11WindowList.h"

namespace vimo {

void X11WindowList::enumerateTitles(const std::optional<std::string>&,
                                    const std::function<bool(const std::u16string&)>&)
{
}

} // namespace vimo
