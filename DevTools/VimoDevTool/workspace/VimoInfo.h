#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace vimo {

// One catalogue entry: the first `vimo` element of a service folder's "ver1/VimozList.xml".
struct VimoInfo
{
    std::u16string id;
    std::u16string name;
    std::u16string folder; // the service folder, no trailing separator; never stored in the file
    std::u16string desc;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::u16string url;
    bool requiresInvitation = false; // shown as "Interactive"
    bool isDhtml = false;            // web Vimo; false means a local one
    bool isDev = false;              // under development; false means published

    bool operator==(const VimoInfo&) const = default;
};

// Identifiers order by UTF-16 code units, case-sensitively (std::u16string's own order).
using VimoMap = std::map<std::u16string, VimoInfo>;

} // namespace vimo
