#include "cli/JsonWriter.h"

#include "platform/Text.h"

namespace vimo::cli {

void JsonWriter::beforeValue()
{
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_open.empty()) {
        if (!m_open.back()) {
            m_text += ',';
        }
        m_open.back() = false;
    }
}

void JsonWriter::beginObject()
{
    beforeValue();
    m_text += '{';
    m_open.push_back(true);
}

void JsonWriter::endObject()
{
    m_open.pop_back();
    m_text += '}';
}

void JsonWriter::beginArray()
{
    beforeValue();
    m_text += '[';
    m_open.push_back(true);
}

void JsonWriter::endArray()
{
    m_open.pop_back();
    m_text += ']';
}

void JsonWriter::key(std::string_view name)
{
    beforeValue();
    m_text += quote(name);
    m_text += ':';
    m_afterKey = true;
}

void JsonWriter::value(std::string_view text)
{
    beforeValue();
    m_text += quote(text);
}

void JsonWriter::value(std::u16string_view text)
{
    value(std::string_view(toUtf8(text)));
}

void JsonWriter::value(std::int64_t number)
{
    beforeValue();
    m_text += std::to_string(number);
}

void JsonWriter::value(std::uint64_t number)
{
    beforeValue();
    m_text += std::to_string(number);
}

void JsonWriter::value(bool flag)
{
    beforeValue();
    m_text += flag ? "true" : "false";
}

void JsonWriter::null()
{
    beforeValue();
    m_text += "null";
}

std::string JsonWriter::quote(std::string_view text)
{
    // Bytes from 0x80 up pass through as UTF-8; only what JSON forbids raw is escaped.
    static const char kHex[] = "0123456789abcdef";
    const std::string wellFormed = toUtf8(fromUtf8(text)); // ill-formed bytes become U+FFFD
    std::string out;
    out.reserve(text.size() + 2);
    out += '"';
    for (char c : wellFormed) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7f) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xf];
            } else {
                out += c;
            }
        }
    }
    out += '"';
    return out;
}

} // namespace vimo::cli
