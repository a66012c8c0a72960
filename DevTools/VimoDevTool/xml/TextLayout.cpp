#include "xml/TextLayout.h"

#include "platform/Text.h"

#include <algorithm>

namespace vimo {

namespace {

// Reads the text as code units of the layout's width and byte order.
class Units
{
public:
    Units(std::string_view bytes, const TextLayout& layout) : m_bytes(bytes), m_layout(layout) {}

    std::size_t count() const { return m_bytes.size() / m_layout.unitBytes; }
    unsigned at(std::size_t index) const
    {
        const std::size_t offset = index * m_layout.unitBytes;
        const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(m_bytes[i]); };
        if (m_layout.unitBytes == 1) {
            return byte(offset);
        }
        return m_layout.bigEndian ? (byte(offset) << 8 | byte(offset + 1))
                                  : (byte(offset + 1) << 8 | byte(offset));
    }
    bool startsWith(std::size_t index, std::string_view ascii) const
    {
        if (index + ascii.size() > count()) {
            return false;
        }
        for (std::size_t i = 0; i < ascii.size(); ++i) {
            if (at(index + i) != static_cast<unsigned char>(ascii[i])) {
                return false;
            }
        }
        return true;
    }

private:
    std::string_view m_bytes;
    const TextLayout& m_layout;
};

bool isBlank(unsigned unit)
{
    return unit == ' ' || unit == '\t' || unit == '\r' || unit == '\n';
}

} // namespace

TextLayout layoutOf(std::string_view bytes, std::string_view declaredEncoding)
{
    using namespace std::string_view_literals;
    TextLayout layout;
    std::size_t mark = 0;
    if (bytes.starts_with("\xEF\xBB\xBF"sv)) {
        mark = 3;
    } else if (bytes.starts_with("\xFF\xFE"sv) || bytes.starts_with("<\0"sv)) {
        mark = bytes.starts_with("\xFF\xFE"sv) ? 2 : 0;
        layout.unitBytes = 2;
    } else if (bytes.starts_with("\xFE\xFF"sv) || bytes.starts_with("\0<"sv)) {
        mark = bytes.starts_with("\xFE\xFF"sv) ? 2 : 0;
        layout.unitBytes = 2;
        layout.bigEndian = true;
    }
    if (layout.unitBytes == 2) {
        layout.encoding = layout.bigEndian ? "UTF-16BE" : "UTF-16LE";
    }
    const std::u16string declared = fromAscii(declaredEncoding);
    if (!declared.empty() && !equalsIgnoreAsciiCase(declared, u"UTF-16") &&
        !equalsIgnoreAsciiCase(declared, u"UTF16")) {
        layout.encoding = std::string(declaredEncoding);
    }

    const Units units(bytes.substr(mark), layout);
    std::size_t end = 0;
    if (units.startsWith(0, "<?xml")) {
        while (end < units.count() && !units.startsWith(end, "?>")) {
            ++end;
        }
        end = std::min(end + 2, units.count());
    }
    while (end < units.count() && isBlank(units.at(end))) {
        ++end;
    }
    layout.prefix = std::string(bytes.substr(0, mark + end * layout.unitBytes));

    for (std::size_t i = 0; i < units.count(); ++i) {
        if (units.at(i) == '\n') {
            layout.crlf = i > 0 && units.at(i - 1) == '\r';
            break;
        }
    }
    return layout;
}

std::string withLineEnds(std::string body, const TextLayout& layout)
{
    if (!layout.crlf) {
        return body;
    }
    const Units units(body, layout);
    std::string result;
    result.reserve(body.size() + body.size() / 16);
    const std::size_t width = static_cast<std::size_t>(layout.unitBytes);
    for (std::size_t i = 0; i < units.count(); ++i) {
        if (units.at(i) == '\n') {
            // CR in the same code unit layout: the LF's bytes with 0x0A replaced by 0x0D.
            std::string cr = body.substr(i * width, width);
            for (char& byte : cr) {
                if (byte == '\n') {
                    byte = '\r';
                }
            }
            result += cr;
        }
        result.append(body, i * width, width);
    }
    result.append(body, units.count() * width, std::string::npos);
    return result;
}

} // namespace vimo
