#pragma once

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace vimo {
class Platform;
class VimoWorkspace;
} // namespace vimo

namespace vimo::cli {

// The program: parses the arguments, loads the workspace as the window does at start-up and
// runs one command.
class VimoCtl
{
public:
    VimoCtl(Platform& platform, std::ostream& out, std::ostream& err, bool outIsTerminal);

    // Runs the command that `args` (without the program name) give; returns the exit code.
    int run(const std::vector<std::string>& args);

private:
    ExitCode execute(const ParseResult& parsed, Console& console);
    // The window's start-up: installation, developer configuration, catalogue.
    ExitCode openWorkspace(VimoWorkspace& workspace, const GlobalOptions& global, Console& console);
    // The developer configuration: from --config FILE, else downloaded (and kept for --offline),
    // else with --offline the copy kept from the last download.
    ExitCode loadConfiguration(VimoWorkspace& workspace, const GlobalOptions& global,
                               Console& console);
    static Failure causeOf(const VimoWorkspace& workspace, HRESULT hr);
    ExitCode dispatch(const ParsedCommand& command, VimoWorkspace& workspace, Console& console);

    Platform& m_platform;
    std::ostream& m_out;
    std::ostream& m_err;
    bool m_outIsTerminal;
    CommandLine m_commandLine;
};

} // namespace vimo::cli
