#pragma once

#include "cli/CommandTable.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
class ParseError;
} // namespace CLI

namespace vimo::cli {

// The parsed arguments of one call.
struct ParsedCommand
{
    const CommandSpec* command = nullptr;       // null for the overview or the version
    std::vector<std::string> arguments;         // positional arguments
    std::map<std::string, std::string> options; // given options; flags map to ""

    bool has(std::string_view option) const;
    // The value of an option that takes one; nothing when it was not given.
    std::optional<std::string> value(std::string_view option) const;
    // The first positional argument or "".
    std::string argument() const { return arguments.empty() ? std::string() : arguments.front(); }
};

// The options that stand before or after any command.
struct GlobalOptions
{
    bool json = false;
    bool quiet = false;
    bool offline = false;
    std::optional<std::string> configFile;
};

// A parse result: a command to run, a text to print (help, version), or a usage error.
struct ParseResult
{
    ParsedCommand command;
    GlobalOptions global;
    std::string error; // a usage error: "vimoctl NAME: what is wrong"; empty otherwise
    bool help = false; // print the help of `command.command`, or the overview
    bool version = false;
    bool bare = false; // no command and nothing else: the usage, as an error
};

// The command line as CLI11 reads it, built from the command table. Options may stand anywhere
// after the command, as "--opt VALUE" or "--opt=VALUE"; "--" ends the options. An option that
// takes a value never takes another option as its value ("--desc --json" is an error).
class CommandLine
{
public:
    CommandLine();
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Reads the program's arguments (without the program name).
    ParseResult parse(const std::vector<std::string>& args);

    // The overview (`command` null) or the help of one command.
    std::string help(const CommandSpec* command) const;

    // A count written as decimal digits only ("640"), saturating at UINT64_MAX; nothing for an
    // empty text, a sign, blanks or any other character ("640px", "-5", "0x10").
    static std::optional<std::uint64_t> parseCount(std::string_view text);
    // The command whose name is nearest to a mistyped `word`; null when none is near.
    static const CommandSpec* nearestCommand(std::string_view word);

private:
    // The option of that long name, of any command, when it takes a value.
    const CLI::Option* valueOption(const std::string& word) const;
    // CLI11's complaint in vimoctl's words where they differ.
    static std::string describe(const CLI::ParseError& error, const CLI::App* active);

    std::unique_ptr<CLI::App> m_app;
};

} // namespace vimo::cli
