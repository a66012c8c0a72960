#include "platform/Paths.h"

#include "platform/Process.h"
#include "platform/Text.h"

#include <atomic>
#include <charconv>

namespace fs = std::filesystem;

namespace vimo {

namespace {

bool allDigits(std::u16string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return false;
        }
    }
    return true;
}

} // namespace

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

namespace {

// -1, 0 or 1 as `a` comes before, with or after `b` once ASCII letters are upper-cased.
int compareIgnoringCase(std::u16string_view a, std::u16string_view b)
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
            return ua < ub ? -1 : 1;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size() ? -1 : 1;
    }
    return 0;
}

} // namespace

bool fileNameLess(std::u16string_view a, std::u16string_view b)
{
    const int order = compareIgnoringCase(a, b);
    return order != 0 ? order < 0 : a < b; // names that differ only in case still get a fixed order
}

bool fileNameLessIgnoringCase(std::u16string_view a, std::u16string_view b)
{
    return compareIgnoringCase(a, b) < 0;
}

std::u16string temporaryFileName(std::u16string_view targetName)
{
    static std::atomic<unsigned> counter{0};
    return u"." + std::u16string(targetName) + u"." + toDecimal(currentProcessId()) + u"." +
           toDecimal(counter++) + u".tmp";
}

std::optional<long> temporaryFileOwner(std::u16string_view name)
{
    constexpr std::u16string_view kSuffix = u".tmp";
    if (name.size() < 2 || name.front() != u'.' || !name.ends_with(kSuffix)) {
        return std::nullopt;
    }
    std::u16string_view rest = name.substr(0, name.size() - kSuffix.size());
    const std::size_t counterDot = rest.rfind(u'.');
    if (counterDot == std::u16string_view::npos || !allDigits(rest.substr(counterDot + 1))) {
        return std::nullopt;
    }
    rest = rest.substr(0, counterDot);
    const std::size_t pidDot = rest.rfind(u'.');
    if (pidDot == std::u16string_view::npos || pidDot == 0 || !allDigits(rest.substr(pidDot + 1)) ||
        rest.size() - pidDot > 11) {
        return std::nullopt;
    }
    // Ten digits may not fit a 32-bit long: such a name is no process's of this system.
    const std::string digits = toUtf8(rest.substr(pidDot + 1));
    long owner = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), owner);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return owner;
}

} // namespace vimo
