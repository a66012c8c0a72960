#pragma once

#include "workspace/VimoInfo.h"
#include "workspace/VimoWorkspace.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vimo {

// The rules a Vimo's record must meet, shared by `set` (before writing) and `check`.
class RecordValidator
{
public:
    static constexpr std::int64_t kMaxWidth = 1024;
    static constexpr std::int64_t kMaxHeight = 768;

    explicit RecordValidator(const DeveloperConfiguration& configuration);

    // `text` without leading and trailing white space (blanks, tabs, line breaks).
    static std::u16string trimWhiteSpace(std::u16string_view text);

    // What is wrong with each value, or nothing when it is right. The texts of empty name,
    // width and height are the window's own messages.
    std::optional<std::string> nameProblem(std::u16string_view name) const;
    std::optional<std::string> nameLengthProblem(std::u16string_view name) const;
    std::optional<std::string> descLengthProblem(std::u16string_view desc) const;
    static std::optional<std::string> widthProblem(std::int64_t width);
    static std::optional<std::string> heightProblem(std::int64_t height);
    // A web Vimo's main file must be an absolute http or https address with a host.
    static std::optional<std::string> webAddressProblem(std::u16string_view url);
    // An identifier names folders and archive members: it must not be empty, "." or "..", nor
    // hold "/", "\" or a control character.
    static std::optional<std::string> identifierProblem(std::u16string_view id);

private:
    // A limit of 0 or less sets no limit, as an edit field's text limit of 0 does.
    static std::optional<std::string> lengthProblem(std::u16string_view text, std::int32_t limit,
                                                    const char* what);
    // An http or https address as the system's web client parses it (libcurl, WinHTTP).
    static std::optional<std::string> parsedAddressProblem(std::u16string_view url,
                                                           const std::string& text);

    const DeveloperConfiguration& m_configuration;
};

} // namespace vimo
