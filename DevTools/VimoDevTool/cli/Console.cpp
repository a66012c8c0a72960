#include "cli/Console.h"

#include "platform/Text.h"

#include <cerrno>
#include <ostream>

namespace vimo::cli {

Console::Console(std::ostream& out, std::ostream& err, ConsoleStyle style)
    : m_out(out), m_err(err), m_style(style)
{
}

void Console::line(std::string_view text)
{
    if (!m_style.quiet) {
        m_out << text << '\n';
    }
}

void Console::line(std::u16string_view text)
{
    line(std::string_view(toUtf8(text)));
}

std::string Console::coloured(std::string_view text, int colour) const
{
    if (!m_style.colour) {
        return std::string(text);
    }
    return "\x1b[" + std::to_string(colour) + "m" + std::string(text) + "\x1b[0m";
}

void Console::document(const Json& document)
{
    if (m_documentWritten) {
        return; // one document per call
    }
    writeVersioned(document);
}

void Console::event(const Json& document)
{
    writeVersioned(document);
    flush();
}

void Console::writeVersioned(const Json& document)
{
    Json versioned;
    versioned["schemaVersion"] = kSchemaVersion;
    for (const auto& [key, value] : document.items()) {
        versioned[key] = value;
    }
    // The model's texts are valid UTF-8; a file name that is not was decoded with replacement
    // characters already, so "replace" only guards the writer.
    m_out << versioned.dump(-1, ' ', false, Json::error_handler_t::replace) << '\n';
    m_documentWritten = true;
}

void Console::flush()
{
    m_out.flush();
}

void Console::message(std::string_view text)
{
    if (m_style.quiet) {
        return;
    }
    if (!text.starts_with("vimoctl")) {
        m_err << "vimoctl: ";
    }
    m_err << text << '\n';
    m_err.flush();
}

ExitCode Console::fail(ExitCode code, std::string_view text, const Failure& cause)
{
    if (!text.starts_with("vimoctl")) {
        m_err << "vimoctl: ";
    }
    m_err << text << '\n';
    m_err.flush();
    if (m_style.json && !m_documentWritten) {
        Json error;
        error["message"] = std::string(text);
        error["path"] = cause.subject.empty() ? Json() : Json(toUtf8(cause.subject));
        error["code"] = cause.code == S_OK ? Json() : Json(format::resultCode(cause.code));
        error["exitCode"] = static_cast<int>(code);
        document(Json{{"error", error}});
    }
    return code;
}

std::optional<std::string> Console::finishOutput()
{
    errno = 0;
    m_out.flush();
    if (!m_out.fail()) {
        return std::nullopt;
    }
    const int error = errno;
    std::string text = "could not write to standard output";
    if (error != 0) {
        const Failure cause = failureFromErrno(error, u"");
        text += ": " + cause.describe();
    }
    return text;
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
