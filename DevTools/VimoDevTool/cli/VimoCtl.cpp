#include "cli/VimoCtl.h"

#include "cli/CatalogueCommands.h"
#include "cli/ClientCommands.h"
#include "cli/HelpText.h"
#include "cli/PackageCommands.h"
#include "platform/Text.h"
#include "workspace/StringTable.h"
#include "workspace/VimoWorkspace.h"

#include <ostream>

namespace vimo::cli {

VimoCtl::VimoCtl(Platform& platform, std::ostream& out, std::ostream& err, bool outIsTerminal)
    : m_platform(platform), m_out(out), m_err(err), m_outIsTerminal(outIsTerminal)
{
}

int VimoCtl::run(const std::vector<std::string>& args)
{
    const ParseResult parsed = CommandLine::parse(args);
    Console console(m_out, m_err, parsed.json || parsed.command.json, m_outIsTerminal);
    if (!parsed.error.empty()) {
        return static_cast<int>(console.fail(ExitCode::NothingDone, parsed.error));
    }
    const ParsedCommand& command = parsed.command;
    if (command.help) {
        m_out << (command.command ? HelpText::command(*command.command) : HelpText::overview());
        return static_cast<int>(ExitCode::Success);
    }
    if (command.command->name == "set") {
        if (std::string problem = CatalogueCommands::checkSetArguments(command); !problem.empty()) {
            return static_cast<int>(console.fail(ExitCode::NothingDone, problem));
        }
    }

    VimoWorkspace workspace(m_platform);
    if (ExitCode code = openWorkspace(workspace, console); code != ExitCode::Success) {
        return static_cast<int>(code);
    }
    return static_cast<int>(dispatch(command, workspace, console));
}

ExitCode VimoCtl::openWorkspace(VimoWorkspace& workspace, Console& console)
{
    if (failed(workspace.locateInstallation())) {
        console.message(toUtf8(stringText(res::IDS_CLIENT_MISSING)));
        return console.fail(ExitCode::Failure, workspace.lastError().describe());
    }
    // The window shows an empty list here; a script must be able to tell this from "no Vimos".
    if (failed(workspace.checkInstallFolder())) {
        return console.fail(ExitCode::Failure, workspace.lastError().describe());
    }
    HRESULT hr = workspace.loadDeveloperConfiguration();
    const char* step = "developer configuration";
    if (succeeded(hr)) {
        hr = workspace.loadAll();
        step = "catalogue";
    }
    if (failed(hr)) {
        console.message(toUtf8(stringText(res::IDS_INIT_FAILED)));
        return console.fail(ExitCode::Failure, std::string("the ") + step +
                                                   " could not be loaded: " +
                                                   format::cause(workspace.lastError(), hr));
    }
    return ExitCode::Success;
}

ExitCode VimoCtl::dispatch(const ParsedCommand& command, VimoWorkspace& workspace, Console& console)
{
    const std::string& name = command.command->name;
    if (name == "list" || name == "show" || name == "set" || name == "copy") {
        CatalogueCommands commands(workspace, console);
        return name == "list"   ? commands.list(command)
               : name == "show" ? commands.show(command)
               : name == "set"  ? commands.set(command)
                                : commands.copy(command);
    }
    if (name == "files" || name == "pack" || name == "check") {
        PackageCommands commands(workspace, console);
        return name == "files"  ? commands.files(command)
               : name == "pack" ? commands.pack(command)
                                : commands.check(command);
    }
    ClientCommands commands(workspace, console);
    return name == "open" ? commands.open(command) : commands.run(command);
}

} // namespace vimo::cli
