#pragma once

#include "cli/CommandTable.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vimo::cli {

// The parsed arguments of one call.
struct ParsedCommand
{
    const CommandSpec* command = nullptr;       // null with `help` for the overview
    std::vector<std::string> arguments;         // positional arguments
    std::map<std::string, std::string> options; // given options; flags map to ""
    bool json = false;
    bool help = false; // show help (of `command`, or the overview) instead of running

    bool has(std::string_view option) const;
    // The value of an option that takes one; nothing when it was not given.
    std::optional<std::string> value(std::string_view option) const;
    // The first positional argument or "".
    std::string argument() const { return arguments.empty() ? std::string() : arguments.front(); }
};

// A parse result: either a command or a one-line description of what is wrong.
struct ParseResult
{
    ParsedCommand command;
    std::string error; // empty on success; otherwise "vimoctl NAME: what is wrong"
    bool json = false; // --json was seen, so the error goes out as a JSON document too
};

// Turns the program's arguments (without the program name) into a ParsedCommand. Options may
// stand anywhere after the command, as "--opt VALUE" or "--opt=VALUE"; "--" ends the options.
class CommandLine
{
public:
    static ParseResult parse(const std::vector<std::string>& args);

    // A count written as decimal digits only ("640"), saturating at UINT64_MAX; nothing for an
    // empty text, a sign, blanks or any other character ("640px", "-5", "0x10").
    static std::optional<std::uint64_t> parseCount(std::string_view text);
};

} // namespace vimo::cli
