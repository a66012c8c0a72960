#pragma once

#include "platform/Failure.h"

#include "cli/ExitCode.h"
#include "platform/Failure.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace vimo::cli {

using Json = nlohmann::ordered_json;

// The version of the JSON documents' layout; every document carries it as "schemaVersion".
inline constexpr int kSchemaVersion = 1;

// How results and messages are shown.
struct ConsoleStyle
{
    bool json = false;          // one JSON document as the answer
    bool quiet = false;         // nothing but errors
    bool outIsTerminal = false; // standard output is a terminal
    bool colour = false;        // colour in results (a terminal, and NO_COLOR not set)
};

// Where results and messages go: results on standard output (text, or one JSON document with
// --json), messages on standard error. Never asks anything.
class Console
{
public:
    Console(std::ostream& out, std::ostream& err, ConsoleStyle style);

    bool json() const { return m_style.json; }
    bool outIsTerminal() const { return m_style.outIsTerminal; }
    void setStyle(ConsoleStyle style) { m_style = style; }

    // A line of text output (left out with --quiet).
    void line(std::string_view text);
    void line(std::u16string_view text);
    // `text` in a colour (an ANSI SGR number) when colour is on.
    std::string coloured(std::string_view text, int colour) const;
    // Writes `document`, with "schemaVersion" first, as the call's one answer.
    void document(const Json& document);
    bool documentWritten() const { return m_documentWritten; }
    // Writes one document of a stream of them (one a line, as `watch` reports), and flushes.
    void event(const Json& document);
    // Hands what was written on to the reader now.
    void flush();

    // A message on standard error, prefixed with the program's name (left out with --quiet).
    void message(std::string_view text);
    // Reports why nothing was done or what failed and returns `code`; never left out. With
    // --json, {"error": {"message", "path", "code", "exitCode"}} is the answer unless one was
    // written already; `cause` gives the path and the result code.
    ExitCode fail(ExitCode code, std::string_view text, const Failure& cause = {});

    // Flushes standard output; the reason in words when it could not be written.
    std::optional<std::string> finishOutput();

private:
    // One line: "schemaVersion" first, then the document's members.
    void writeVersioned(const Json& document);
    std::ostream& m_out;
    std::ostream& m_err;
    ConsoleStyle m_style;
    bool m_documentWritten = false;
};

// Text helpers for the human-readable answers.
namespace format {
// `text` padded with spaces to `width` characters (code points).
std::string padRight(std::string_view text, std::size_t width);
std::string padLeft(std::string_view text, std::size_t width);
// A result code as "0x80004005".
std::string resultCode(std::int32_t code);
// Why an operation failed: the cause the model left ("file: reason (0x80070005)"), or only the
// result code when it left none.
std::string cause(const Failure& failure, std::int32_t code);
// "[#####.....]" of `width` cells for used/limit, full when used reaches the limit.
std::string bar(std::uint64_t used, std::uint64_t limit, std::size_t width);
} // namespace format

} // namespace vimo::cli
