#pragma once

#include "platform/Failure.h"

#include "cli/ExitCode.h"
#include "cli/JsonWriter.h"

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

namespace vimo::cli {

// Where results and messages go: results on standard output (text, or one JSON document with
// --json), messages on standard error. Never asks anything.
class Console
{
public:
    Console(std::ostream& out, std::ostream& err, bool json, bool outIsTerminal);

    bool json() const { return m_json; }
    bool outIsTerminal() const { return m_outIsTerminal; }

    // A line of text output.
    void line(std::string_view text);
    void line(std::u16string_view text);
    // Writes a finished JSON document as the call's one answer.
    void document(const JsonWriter& writer);
    bool documentWritten() const { return m_documentWritten; }

    // A message on standard error, prefixed with the program's name.
    void message(std::string_view text);
    // Reports why nothing was done or what failed and returns `code`. With --json, a document
    // {"error": {...}} is the answer unless one was written already.
    ExitCode fail(ExitCode code, std::string_view text);

private:
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_json;
    bool m_outIsTerminal;
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
