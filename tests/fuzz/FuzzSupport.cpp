#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace vimo::fuzz {

const std::filesystem::path& scratchFolder()
{
    static const test::TempDir scratch;
    return scratch.path();
}

void broken(const std::string& what)
{
    std::fprintf(stderr, "fuzz: %s\n", what.c_str());
    std::abort();
}

} // namespace vimo::fuzz
