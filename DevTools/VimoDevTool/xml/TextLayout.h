#pragma once

#include <string>
#include <string_view>

namespace vimo {

// How a file's text was laid out by whoever wrote it, so that a save writes it back the same
// way: the same bytes before the first node, the same encoding and byte order, the same line
// ends.
struct TextLayout
{
    // The bytes before the first node, kept verbatim: byte-order mark, the XML declaration and
    // the white space after it (empty without either).
    std::string prefix;
    // What the rest is written in; never plain "UTF-16", whose byte order a save would change.
    std::string encoding = "UTF-8";
    int unitBytes = 1; // 2 for UTF-16
    bool bigEndian = false;
    bool crlf = false; // the first line end was CR LF
};

// The layout of `bytes`, whose declaration named `declaredEncoding` (empty when none did).
TextLayout layoutOf(std::string_view bytes, std::string_view declaredEncoding);

// `body` with every LF turned into CR LF when the layout asks for it, in its code units.
std::string withLineEnds(std::string body, const TextLayout& layout);

} // namespace vimo
