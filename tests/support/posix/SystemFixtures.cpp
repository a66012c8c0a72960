#include "support/Fixtures.h"

#include <sys/stat.h>

namespace vimo::test {

bool runningUnderWine()
{
    return false;
}

bool makePipe(const fs::path& path)
{
    return ::mkfifo(path.c_str(), 0600) == 0;
}

} // namespace vimo::test
