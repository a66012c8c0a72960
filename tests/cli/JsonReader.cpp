#include "JsonReader.h"

#include <stdexcept>

namespace vimo::test {

const JsonValue& JsonValue::operator[](const std::string& key) const
{
    auto it = members.find(key);
    if (it == members.end()) {
        throw std::out_of_range("no member " + key);
    }
    return it->second;
}

namespace {

class Parser
{
public:
    explicit Parser(const std::string& text) : m_text(text) {}

    JsonValue document()
    {
        JsonValue value = parseValue();
        skipSpace();
        if (m_pos != m_text.size()) {
            fail("text after the document");
        }
        return value;
    }

private:
    [[noreturn]] void fail(const std::string& what) const
    {
        throw std::runtime_error("JSON: " + what + " at " + std::to_string(m_pos));
    }
    void skipSpace()
    {
        while (m_pos < m_text.size() && (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' ||
                                         m_text[m_pos] == '\r' || m_text[m_pos] == '\t')) {
            ++m_pos;
        }
    }
    bool consume(const std::string& word)
    {
        if (m_text.compare(m_pos, word.size(), word) == 0) {
            m_pos += word.size();
            return true;
        }
        return false;
    }
    JsonValue parseValue()
    {
        skipSpace();
        if (m_pos >= m_text.size()) {
            fail("unexpected end");
        }
        JsonValue value;
        const char c = m_text[m_pos];
        if (c == '{') {
            ++m_pos;
            value.type = JsonValue::Type::Object;
            skipSpace();
            if (consume("}")) {
                return value;
            }
            do {
                skipSpace();
                if (m_pos >= m_text.size() || m_text[m_pos] != '"') {
                    fail("expected a key");
                }
                std::string key = parseString();
                skipSpace();
                if (!consume(":")) {
                    fail("expected ':'");
                }
                if (value.members.count(key)) {
                    fail("duplicate key " + key);
                }
                value.members[key] = parseValue();
                skipSpace();
            } while (consume(","));
            if (!consume("}")) {
                fail("expected '}'");
            }
        } else if (c == '[') {
            ++m_pos;
            value.type = JsonValue::Type::Array;
            skipSpace();
            if (consume("]")) {
                return value;
            }
            do {
                value.items.push_back(parseValue());
                skipSpace();
            } while (consume(","));
            if (!consume("]")) {
                fail("expected ']'");
            }
        } else if (c == '"') {
            value.type = JsonValue::Type::String;
            value.text = parseString();
        } else if (consume("true")) {
            value.type = JsonValue::Type::Bool;
            value.boolean = true;
        } else if (consume("false")) {
            value.type = JsonValue::Type::Bool;
        } else if (consume("null")) {
            value.type = JsonValue::Type::Null;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const std::size_t start = m_pos;
            if (m_text[m_pos] == '-') {
                ++m_pos;
            }
            while (m_pos < m_text.size() &&
                   std::string("0123456789.eE+-").find(m_text[m_pos]) != std::string::npos) {
                ++m_pos;
            }
            value.type = JsonValue::Type::Number;
            value.number = std::stold(m_text.substr(start, m_pos - start));
        } else {
            fail("unexpected character");
        }
        return value;
    }
    void appendUtf8(std::string& out, unsigned code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    unsigned hex4()
    {
        if (m_pos + 4 > m_text.size()) {
            fail("short \\u escape");
        }
        const unsigned value = std::stoul(m_text.substr(m_pos, 4), nullptr, 16);
        m_pos += 4;
        return value;
    }
    std::string parseString()
    {
        ++m_pos; // the opening quote
        std::string out;
        while (true) {
            if (m_pos >= m_text.size()) {
                fail("unterminated string");
            }
            const auto c = static_cast<unsigned char>(m_text[m_pos++]);
            if (c == '"') {
                return out;
            }
            if (c < 0x20) {
                fail("raw control character in a string");
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                continue;
            }
            if (m_pos >= m_text.size()) {
                fail("unterminated escape");
            }
            const char e = m_text[m_pos++];
            switch (e) {
            case '"':
            case '\\':
            case '/':
                out += e;
                break;
            case 'b':
                out += '\b';
                break;
            case 'f':
                out += '\f';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'u': {
                unsigned code = hex4();
                if (code >= 0xD800 && code < 0xDC00 && consume("\\u")) {
                    code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
                }
                appendUtf8(out, code);
                break;
            }
            default:
                fail("bad escape");
            }
        }
    }

    const std::string& m_text;
    std::size_t m_pos = 0;
};

} // namespace

JsonValue parseJson(const std::string& text)
{
    return Parser(text).document();
}

} // namespace vimo::test
