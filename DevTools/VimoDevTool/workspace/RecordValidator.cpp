#include "workspace/RecordValidator.h"

#include "platform/Text.h"
#include "workspace/StringTable.h"

#include <cstdio>

namespace vimo {

RecordValidator::RecordValidator(const DeveloperConfiguration& configuration)
    : m_configuration(configuration)
{
}

namespace {

bool isWhiteSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

} // namespace

std::u16string RecordValidator::trimWhiteSpace(std::u16string_view text)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (end > begin && isWhiteSpace(text[end - 1])) {
        --end;
    }
    while (begin < end && isWhiteSpace(text[begin])) {
        ++begin;
    }
    return std::u16string(text.substr(begin, end - begin));
}

std::optional<std::string> RecordValidator::nameProblem(std::u16string_view name) const
{
    if (trimWhiteSpace(name).empty()) {
        return toUtf8(stringText(res::IDS_NAME_EMPTY));
    }
    return std::nullopt;
}

std::optional<std::string> RecordValidator::nameLengthProblem(std::u16string_view name) const
{
    return lengthProblem(name, m_configuration.nameLengthLimit, "name");
}

std::optional<std::string> RecordValidator::descLengthProblem(std::u16string_view desc) const
{
    return lengthProblem(desc, m_configuration.descLengthLimit, "description");
}

std::optional<std::string> RecordValidator::lengthProblem(std::u16string_view text,
                                                          std::int32_t limit, const char* what)
{
    if (limit > 0 && text.size() > static_cast<std::size_t>(limit)) {
        return "The " + std::string(what) + " is " + std::to_string(text.size()) +
               " characters long; the developer configuration allows at most " +
               std::to_string(limit) + ".";
    }
    return std::nullopt;
}

std::optional<std::string> RecordValidator::widthProblem(std::int64_t width)
{
    if (width < 1 || width > kMaxWidth) {
        return toUtf8(stringText(res::IDS_WIDTH_RANGE));
    }
    return std::nullopt;
}

std::optional<std::string> RecordValidator::heightProblem(std::int64_t height)
{
    if (height < 1 || height > kMaxHeight) {
        return toUtf8(stringText(res::IDS_HEIGHT_RANGE));
    }
    return std::nullopt;
}

std::optional<std::string> RecordValidator::webAddressProblem(std::u16string_view url)
{
    const std::string text = toUtf8(url);
    const std::u16string lower = toLowerAscii(url);
    if (!lower.starts_with(u"http://") && !lower.starts_with(u"https://")) {
        return "The address \"" + text + "\" is not an absolute http or https address.";
    }
    return parsedAddressProblem(url, text);
}

std::optional<std::string> RecordValidator::identifierProblem(std::u16string_view id)
{
    if (id.empty()) {
        return std::string("the identifier is empty");
    }
    if (id == u"." || id == u"..") {
        return "the identifier is \"" + toUtf8(id) + "\", which names no folder of its own";
    }
    for (const char16_t c : id) {
        if (c == u'/' || c == u'\\') {
            return "the identifier \"" + toUtf8(id) + "\" holds \"" +
                   std::string(1, static_cast<char>(c)) + "\", which separates folders";
        }
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            char code[8];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
            return "the identifier holds the control character " + std::string(code);
        }
    }
    return std::nullopt;
}

} // namespace vimo
