#include "support/ZipReader.h"

namespace vimo::test {

std::vector<std::string> memberNames(const ZipListing& zip)
{
    std::vector<std::string> names;
    for (const ZipMember& member : zip.members) {
        names.push_back(member.name);
    }
    return names;
}

} // namespace vimo::test
