#include "platform/posix/WineRegistry.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

namespace vimo {

namespace {

// Far above any prefix's registry file (a few megabytes): a device in its place ends the read.
constexpr std::size_t kMaxRegistryBytes = 256 * 1024 * 1024;

// Hands out the lines of a registry file without their line ends ("\n" or "\r\n").
class LineReader
{
public:
    explicit LineReader(std::string_view text) : m_text(text) {}

    bool next(std::string_view& line)
    {
        if (m_pos >= m_text.size()) {
            return false;
        }
        std::size_t end = m_text.find('\n', m_pos);
        if (end == std::string_view::npos) {
            end = m_text.size();
        }
        line = m_text.substr(m_pos, end - m_pos);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        m_pos = end + 1;
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_pos = 0;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// Reads up to `maxDigits` hexadecimal digits at `pos` and moves past them; nothing when there is
// no digit there.
std::optional<std::uint32_t> readHex(std::string_view line, std::size_t& pos, int maxDigits)
{
    std::uint32_t value = 0;
    int digits = 0;
    while (digits < maxDigits && pos < line.size() && hexDigit(line[pos]) >= 0) {
        value = value * 16 + static_cast<std::uint32_t>(hexDigit(line[pos++]));
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    return value;
}

void skipBlanks(std::string_view line, std::size_t& pos)
{
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
        ++pos;
    }
}

// Reads an escaped string that starts at `pos` and ends at the first unescaped `terminator`;
// `pos` is left after the terminator. Text between escapes is UTF-8. False when the line ends
// before the terminator.
bool parseEscapedString(std::string_view line, std::size_t& pos, char terminator,
                        std::u16string& out)
{
    std::string run; // raw UTF-8 bytes not yet converted
    auto flush = [&] {
        out += fromUtf8(run);
        run.clear();
    };
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == terminator) {
            flush();
            return true;
        }
        if (c != '\\') {
            run += c;
            continue;
        }
        if (pos >= line.size()) {
            return false;
        }
        const char e = line[pos++];
        char16_t unit = 0;
        switch (e) {
        case 'a':
            unit = 0x07;
            break;
        case 'b':
            unit = 0x08;
            break;
        case 't':
            unit = 0x09;
            break;
        case 'n':
            unit = 0x0A;
            break;
        case 'v':
            unit = 0x0B;
            break;
        case 'f':
            unit = 0x0C;
            break;
        case 'r':
            unit = 0x0D;
            break;
        case 'e':
            unit = 0x1B;
            break;
        case 'x': {
            const std::optional<std::uint32_t> value = readHex(line, pos, 4);
            if (!value) {
                run += 'x';
                continue;
            }
            unit = static_cast<char16_t>(*value);
            break;
        }
        default:
            if (e >= '0' && e <= '7') {
                unsigned value = static_cast<unsigned>(e - '0');
                for (int digits = 1; digits < 3 && pos < line.size() && line[pos] >= '0' &&
                                     line[pos] <= '7' && value * 8 + (line[pos] - '0') <= 0377;
                     ++digits) {
                    value = value * 8 + static_cast<unsigned>(line[pos++] - '0');
                }
                unit = static_cast<char16_t>(value);
                break;
            }
            // "\\", "\"" and any other escaped character stand for themselves.
            run += e;
            continue;
        }
        flush();
        out += unit;
    }
    return false;
}

// The components of a key path, without empty ones.
std::vector<std::u16string> keyComponents(std::u16string_view key)
{
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start <= key.size()) {
        std::size_t end = key.find(u'\\', start);
        if (end == std::u16string_view::npos) {
            end = key.size();
        }
        if (end > start) {
            parts.emplace_back(key.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

bool sameKey(const std::vector<std::u16string>& a, const std::vector<std::u16string>& b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!equalsIgnoreAsciiCase(a[i], b[i])) {
            return false;
        }
    }
    return true;
}

// The key as a 32-bit program sees it: in a 64-bit prefix its software keys are redirected.
std::vector<std::u16string> viewedKey(std::u16string_view key, bool win64)
{
    std::vector<std::u16string> parts = keyComponents(key);
    if (win64 && !parts.empty() && equalsIgnoreAsciiCase(parts[0], u"Software") &&
        !(parts.size() > 1 && equalsIgnoreAsciiCase(parts[1], u"Wow6432Node"))) {
        parts.insert(parts.begin() + 1, u"Wow6432Node");
    }
    return parts;
}

std::vector<std::uint8_t> utf16leWithTerminator(const std::u16string& text)
{
    std::vector<std::uint8_t> bytes;
    bytes.reserve(text.size() * 2 + 2);
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

bool startsWith(std::string_view text, std::size_t pos, std::string_view prefix)
{
    return text.substr(pos, prefix.size()) == prefix;
}

// Reads "hex:..." data: bytes as one or two hex digits separated by commas, continued on the
// next line after a trailing backslash. Continuation lines are consumed even when the data is
// bad, so that they are never taken for entries of their own.
bool parseHexBytes(std::string_view line, std::size_t pos, LineReader& lines,
                   std::vector<std::uint8_t>& out)
{
    bool good = true;
    for (;;) {
        bool continued = false;
        while (pos < line.size()) {
            skipBlanks(line, pos);
            if (pos >= line.size()) {
                break;
            }
            if (line[pos] == '\\') {
                ++pos;
                skipBlanks(line, pos);
                continued = pos >= line.size();
                good = good && continued;
                break;
            }
            const std::optional<std::uint32_t> value = readHex(line, pos, 2);
            skipBlanks(line, pos);
            if (!value || (pos < line.size() && line[pos] != ',' && line[pos] != '\\')) {
                good = false;
                pos = line.size();
                break;
            }
            out.push_back(static_cast<std::uint8_t>(*value));
            if (pos < line.size() && line[pos] == ',') {
                ++pos;
            }
        }
        if (!continued || !lines.next(line)) {
            return good;
        }
        pos = 0;
        skipBlanks(line, pos);
    }
}

// Parses the data after "name=". Consumes continuation lines of hex data.
std::optional<RegistryValue> parseValueData(std::string_view line, std::size_t pos,
                                            LineReader& lines)
{
    RegistryValue value;
    std::size_t stringStart = std::string_view::npos;
    if (startsWith(line, pos, "\"")) {
        value.type = REG_SZ;
        stringStart = pos + 1;
    } else if (startsWith(line, pos, "str:\"")) {
        value.type = REG_SZ;
        stringStart = pos + 5;
    } else if (startsWith(line, pos, "str(") || startsWith(line, pos, "hex(")) {
        const bool isString = line[pos] == 's';
        std::size_t p = pos + 4;
        const std::optional<std::uint32_t> type = readHex(line, p, 8);
        if (!type || !startsWith(line, p, "):")) {
            return std::nullopt;
        }
        p += 2;
        value.type = *type;
        if (isString) {
            if (!startsWith(line, p, "\"")) {
                return std::nullopt;
            }
            stringStart = p + 1;
        } else {
            if (!parseHexBytes(line, p, lines, value.data)) {
                return std::nullopt;
            }
            return value;
        }
    } else if (startsWith(line, pos, "hex:")) {
        value.type = REG_BINARY;
        if (!parseHexBytes(line, pos + 4, lines, value.data)) {
            return std::nullopt;
        }
        return value;
    } else if (startsWith(line, pos, "dword:")) {
        std::size_t p = pos + 6;
        const std::optional<std::uint32_t> number = readHex(line, p, 8);
        if (!number) {
            return std::nullopt;
        }
        value.type = REG_DWORD;
        for (int i = 0; i < 4; ++i) {
            value.data.push_back(static_cast<std::uint8_t>(*number >> (8 * i)));
        }
        return value;
    } else {
        return std::nullopt;
    }
    std::u16string text;
    std::size_t p = stringStart;
    if (!parseEscapedString(line, p, '"', text)) {
        return std::nullopt;
    }
    value.data = utf16leWithTerminator(text);
    return value;
}

} // namespace

std::optional<RegistryValue> WineRegistry::readLocalMachineValue(const std::string& prefix,
                                                                 const std::u16string& key,
                                                                 const std::u16string& name,
                                                                 std::string* whyMissing)
{
    const fs::path file = fs::path(prefix) / "system.reg";
    std::string text;
    if (const int error =
            FileSystem::system().readFile(fromFsPath(file), kMaxRegistryBytes, text)) {
        if (whyMissing) {
            *whyMissing = file.string() + " cannot be read: " + failureFromErrno(error, {}).reason;
        }
        return std::nullopt;
    }
    return readValueFromText(text, key, name, whyMissing);
}

std::optional<RegistryValue> WineRegistry::readValueFromText(const std::string& text,
                                                             const std::u16string& key,
                                                             const std::u16string& name,
                                                             std::string* whyMissing)
{
    const auto missing = [&](std::string why) -> std::optional<RegistryValue> {
        if (whyMissing) {
            *whyMissing = std::move(why);
        }
        return std::nullopt;
    };
    LineReader lines(text);
    std::string_view line;
    if (!lines.next(line)) {
        return missing("system.reg is empty");
    }
    if (line.substr(0, 3) == "\xEF\xBB\xBF") {
        line.remove_prefix(3);
    }
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) {
        line.remove_suffix(1);
    }
    if (line != "WINE REGISTRY Version 2") {
        return missing("system.reg is not a Wine registry file");
    }

    bool win64 = false;
    bool seenKey = false;
    bool inWantedKey = false;
    bool keyFound = false;
    std::vector<std::u16string> wanted;
    std::optional<RegistryValue> found;
    while (lines.next(line)) {
        std::size_t pos = 0;
        skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] == ';') {
            continue;
        }
        if (line[pos] == '#') {
            if (!seenKey && startsWith(line, pos, "#arch=")) {
                win64 = line.substr(pos + 6, 5) == "win64";
            }
            continue;
        }
        if (line[pos] == '[') {
            if (!seenKey) {
                seenKey = true;
                wanted = viewedKey(key, win64);
            }
            ++pos;
            std::u16string keyName;
            inWantedKey = parseEscapedString(line, pos, ']', keyName) &&
                          sameKey(keyComponents(keyName), wanted);
            keyFound = keyFound || inWantedKey;
            continue;
        }
        if (line[pos] != '"' && line[pos] != '@') {
            continue;
        }
        std::u16string valueName;
        if (line[pos] == '@') {
            ++pos;
        } else {
            ++pos;
            if (!parseEscapedString(line, pos, '"', valueName)) {
                continue;
            }
        }
        skipBlanks(line, pos);
        if (pos >= line.size() || line[pos] != '=') {
            continue;
        }
        ++pos;
        skipBlanks(line, pos);
        // Parsed even for other values, so that their continuation lines are consumed.
        std::optional<RegistryValue> value = parseValueData(line, pos, lines);
        if (inWantedKey && value && equalsIgnoreAsciiCase(valueName, name)) {
            found = std::move(value); // a later entry of the same value replaces an earlier one
        }
    }
    if (found) {
        return found;
    }
    if (!keyFound) {
        std::u16string viewed = u"HKEY_LOCAL_MACHINE";
        for (const std::u16string& part : seenKey ? wanted : viewedKey(key, win64)) {
            viewed += u"\\" + part;
        }
        return missing("system.reg has no key " + toUtf8(viewed));
    }
    return missing("the uninstall entry has no value \"" + toUtf8(name) +
                   "\" that a registry reader can take");
}

std::u16string WineRegistry::nativePathFromWindows(const std::string& prefix,
                                                   const std::u16string& windowsPath)
{
    std::u16string path = windowsPath;
    for (char16_t& c : path) {
        if (c == u'\\') {
            c = u'/';
        }
    }
    const bool hasDrive =
        path.size() >= 2 && path[1] == u':' &&
        ((path[0] >= u'a' && path[0] <= u'z') || (path[0] >= u'A' && path[0] <= u'Z'));
    if (!hasDrive) {
        return path;
    }

    // The drive is a link in the prefix's dosdevices folder; follow it (and links it leads to).
    const std::string drive(1, static_cast<char>(path[0] | 0x20));
    fs::path base = fs::path(prefix) / "dosdevices" / (drive + ":");
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(base, ec))) {
            break;
        }
        const fs::path target = fs::read_symlink(base, ec);
        if (ec) {
            break;
        }
        base = (target.is_absolute() ? target : base.parent_path() / target).lexically_normal();
    }
    std::u16string result = fromFsPath(base);
    while (result.size() > 1 && result.back() == u'/') {
        result.pop_back();
    }

    // Windows finds a name whatever its letter case.
    return FileSystem::system().resolveBelow(result, std::u16string_view(path).substr(2));
}

} // namespace vimo
