#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vimo::cli {

struct OptionSpec
{
    std::string name;      // with the leading "--"
    std::string valueName; // empty for a flag
    std::string help;
};

// One subcommand: what it takes and how its help reads.
struct CommandSpec
{
    std::string name;
    std::string arguments; // the positional arguments as the synopsis shows them
    int minArguments = 0;
    int maxArguments = 0;
    std::string summary;     // one line for the overview
    std::string description; // the paragraphs of `vimoctl help NAME`
    std::vector<OptionSpec> options;
    std::vector<std::pair<std::string, std::string>> exclusive; // options that exclude each other
    bool needsWorkspace = true;

    const OptionSpec* findOption(std::string_view option) const;
};

// Every subcommand in the order the overview lists them.
const std::vector<CommandSpec>& commandTable();
// The subcommand of that name; null when there is none.
const CommandSpec* findCommand(std::string_view name);

} // namespace vimo::cli
