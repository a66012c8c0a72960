#pragma once

#include <CLI/CLI.hpp>

#include <string>

namespace vimo::cli {

// The help layout of vimoctl, filled from CLI11's description of the command line: a synopsis
// first ("Usage: vimoctl set ID [--name TEXT] ..."), then the description and the options;
// the overview ends with the exit status table and the environment variables read.
class HelpText : public CLI::Formatter
{
public:
    static constexpr const char* kProgramSummary =
        "Works on the Vimos of the Orvo client installed in the Wine prefix, as the Vimo\n"
        "Developer Tool's window does, without asking anything.";

    std::string make_help(const CLI::App* app, std::string name,
                          CLI::AppFormatMode mode) const override;

private:
    static std::string overview(const CLI::App& app);
    static std::string command(const CLI::App& sub);
};

} // namespace vimo::cli
