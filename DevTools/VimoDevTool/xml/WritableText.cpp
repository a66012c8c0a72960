// What XML can hold, the same for every XML component the tool is built with.

#include "xml/XmlDocument.h"

#include <cstdio>

namespace vimo {

std::optional<std::string> unwritableCharacter(std::u16string_view text)
{
    std::size_t character = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        ++character;
        const char16_t unit = text[i];
        bool writable = unit >= 0x20 || unit == u'\t' || unit == u'\n' || unit == u'\r';
        if (unit == 0xFFFE || unit == 0xFFFF) {
            writable = false;
        } else if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() &&
                   text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            ++i; // a whole pair is one character
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            writable = false;
        }
        if (!writable) {
            char code[16];
            std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(unit));
            return std::string(code) + " at character " + std::to_string(character);
        }
    }
    return std::nullopt;
}

} // namespace vimo
