#include "workspace/StringTable.h"

#include "platform/Text.h"

namespace vimo {

namespace {

struct StringEntry
{
    int id;
    const char16_t* text;
};

constexpr StringEntry kStrings[] = {
#include "res/strings.inc"
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

std::u16string unsupportedFilesText(std::u16string_view files)
{
    return replaceAll(stringText(res::IDS_UNSUPPORTED_FILES), u"%s", files);
}

} // namespace vimo
