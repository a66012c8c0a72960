#include "platform/Paths.h"

#include "platform/Text.h"

namespace fs = std::filesystem;

namespace vimo {

// Windows paths are UTF-16 already; elsewhere the file system takes UTF-8.
constexpr bool kWidePaths = sizeof(fs::path::value_type) == sizeof(char16_t);

fs::path toFsPath(std::u16string_view path)
{
    if constexpr (kWidePaths) {
        return fs::path(fs::path::string_type(path.begin(), path.end()));
    } else {
        return fs::path(toUtf8(path));
    }
}

std::u16string fromFsPath(const fs::path& path)
{
    if constexpr (kWidePaths) {
        return std::u16string(path.native().begin(), path.native().end());
    } else {
        return fromUtf8(path.string());
    }
}

bool fileNameLess(std::u16string_view a, std::u16string_view b)
{
    // Compared in place: listings of thousands of names sort often enough for copies to show.
    const auto upper = [](char16_t c) {
        return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - u'a' + u'A') : c;
    };
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char16_t ua = upper(a[i]);
        const char16_t ub = upper(b[i]);
        if (ua != ub) {
            return ua < ub;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b; // names that differ only in case still get a fixed order
}

} // namespace vimo
