#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace vimo::test {

// A parsed JSON value, strict enough to reject what a broken writer produces.
struct JsonValue
{
    enum class Type
    {
        Null,
        Bool,
        Number,
        String,
        Array,
        Object
    };
    Type type = Type::Null;
    bool boolean = false;
    long double number = 0;
    std::string text; // strings as UTF-8
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    const JsonValue& operator[](const std::string& key) const;
    const JsonValue& operator[](std::size_t index) const { return items.at(index); }
    bool has(const std::string& key) const { return members.count(key) > 0; }
    long long integer() const { return static_cast<long long>(number); }
};

// Parses exactly one JSON document (surrounding white space allowed); throws on anything else.
JsonValue parseJson(const std::string& text);

} // namespace vimo::test
