#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vimo::cli {

// Builds one JSON document as UTF-8 text. Commas and nesting are tracked, so callers only say
// what comes next; strings are escaped as the JSON grammar requires.
class JsonWriter
{
public:
    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the enclosing object.
    void key(std::string_view name);

    void value(std::string_view text);
    void value(std::u16string_view text);
    void value(const char* text) { value(std::string_view(text)); }
    void value(std::int64_t number);
    void value(std::uint64_t number);
    void value(int number) { value(static_cast<std::int64_t>(number)); }
    void value(bool flag);
    void null();

    // Shorthands for a member with a value.
    template <typename T> void member(std::string_view name, const T& v)
    {
        key(name);
        value(v);
    }

    // The document so far; complete once every object and array is closed.
    const std::string& text() const { return m_text; }

    // `text` as a JSON string literal, quotes included.
    static std::string quote(std::string_view text);

private:
    void beforeValue();

    std::string m_text;
    std::vector<bool> m_open; // per open container: true while it has no element yet
    bool m_afterKey = false;
};

} // namespace vimo::cli
