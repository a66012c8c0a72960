#include "cli/Console.h"

#include "platform/Text.h"

#include <ostream>

namespace vimo::cli {

Console::Console(std::ostream& out, std::ostream& err, bool json, bool outIsTerminal)
    : m_out(out), m_err(err), m_json(json), m_outIsTerminal(outIsTerminal)
{
}

void Console::line(std::string_view text)
{
    m_out << text << '\n';
}

void Console::line(std::u16string_view text)
{
    line(std::string_view(toUtf8(text)));
}

void Console::document(const JsonWriter& writer)
{
    if (m_documentWritten) {
        return; // one document per call
    }
    m_out << writer.text() << '\n';
    m_out.flush();
    m_documentWritten = true;
}

void Console::message(std::string_view text)
{
    if (!text.starts_with("vimoctl")) {
        m_err << "vimoctl: ";
    }
    m_err << text << '\n';
    m_err.flush();
}

ExitCode Console::fail(ExitCode code, std::string_view text)
{
    message(text);
    if (m_json && !m_documentWritten) {
        JsonWriter writer;
        writer.beginObject();
        writer.key("error");
        writer.beginObject();
        writer.member("message", text);
        writer.member("exitCode", static_cast<int>(code));
        writer.endObject();
        writer.endObject();
        document(writer);
    }
    return code;
}

namespace format {

namespace {

std::size_t codePoints(std::string_view text)
{
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++count;
        }
    }
    return count;
}

} // namespace

std::string padRight(std::string_view text, std::size_t width)
{
    const std::size_t length = codePoints(text);
    return std::string(text) + std::string(length < width ? width - length : 0, ' ');
}

std::string padLeft(std::string_view text, std::size_t width)
{
    const std::size_t length = codePoints(text);
    return std::string(length < width ? width - length : 0, ' ') + std::string(text);
}

std::string resultCode(std::int32_t code)
{
    static const char kHex[] = "0123456789ABCDEF";
    const auto bits = static_cast<std::uint32_t>(code);
    std::string out = "0x";
    for (int shift = 28; shift >= 0; shift -= 4) {
        out += kHex[(bits >> shift) & 0xF];
    }
    return out;
}

std::string cause(const Failure& failure, std::int32_t code)
{
    return failure.empty() ? "result " + resultCode(code) : failure.describe();
}

std::string bar(std::uint64_t used, std::uint64_t limit, std::size_t width)
{
    std::size_t filled = width;
    if (limit > 0 && used < limit) {
        filled = static_cast<std::size_t>((static_cast<long double>(used) * width) / limit);
    }
    return "[" + std::string(filled, '#') + std::string(width - filled, '.') + "]";
}

} // namespace format

} // namespace vimo::cli
