#include "app/StringTable.h"

#include <iterator>

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

QString loadString(int id)
{
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) {
            return QString::fromUtf16(entry.text);
        }
    }
    return {};
}

} // namespace vimo
