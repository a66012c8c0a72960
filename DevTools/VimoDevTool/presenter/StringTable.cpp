#include "presenter/StringTable.h"

namespace vimo {

namespace {

struct StringEntry
{
    int id;
    const char16_t* text;
};

constexpr StringEntry kStrings[] = {
#include "strings.inc"
};

} // namespace

std::u16string stringText(int id)
{
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return entry.text;
        }
    }
    return {};
}

} // namespace vimo
