#include "cli/VimoCtl.h"

#include "Version.h"
#include "cli/CatalogueCommands.h"
#include "cli/ClientCommands.h"
#include "cli/ConfigurationCache.h"
#include "cli/PackageCommands.h"
#include "cli/WatchCommand.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/StringTable.h"
#include "workspace/VimoWorkspace.h"

#include <cerrno>
#include <fstream>
#include <ostream>
#include <sstream>

namespace vimo::cli {

VimoCtl::VimoCtl(Platform& platform, std::ostream& out, std::ostream& err, bool outIsTerminal)
    : m_platform(platform), m_out(out), m_err(err), m_outIsTerminal(outIsTerminal)
{
}

int VimoCtl::run(const std::vector<std::string>& args)
{
    const ParseResult parsed = m_commandLine.parse(args);
    const auto noColour = m_platform.environment("NO_COLOR");
    ConsoleStyle style;
    style.json = parsed.global.json;
    style.quiet = parsed.global.quiet;
    style.outIsTerminal = m_outIsTerminal;
    style.colour = m_outIsTerminal && !style.json && (!noColour || noColour->empty());
    Console console(m_out, m_err, style);
    ExitCode code = execute(parsed, console);
    // A result that did not reach its reader is no result: a full disk or a closed pipe fails.
    if (auto problem = console.finishOutput()) {
        m_err << "vimoctl: " << *problem << '\n';
        code = ExitCode::Failure;
    }
    return static_cast<int>(code);
}

ExitCode VimoCtl::execute(const ParseResult& parsed, Console& console)
{
    if (!parsed.error.empty()) {
        return console.fail(ExitCode::Usage, parsed.error);
    }
    if (parsed.help) {
        m_out << m_commandLine.help(parsed.command.command);
        return ExitCode::Success;
    }
    if (parsed.version) {
        if (console.json()) {
            console.document(Json{{"program", "vimoctl"}, {"version", VIMO_VERSION}});
        } else {
            m_out << "vimoctl " VIMO_VERSION "\n";
        }
        return ExitCode::Success;
    }
    if (parsed.bare) {
        m_err << m_commandLine.help(nullptr);
        return console.fail(ExitCode::Usage, "no command given (see vimoctl --help)");
    }
    const ParsedCommand& command = parsed.command;
    if (command.command->name == "set") {
        ExitCode code = ExitCode::Usage;
        if (std::string problem = CatalogueCommands::checkSetArguments(command, code);
            !problem.empty()) {
            return console.fail(code, problem);
        }
    }

    VimoWorkspace workspace(m_platform);
    if (ExitCode code = openWorkspace(workspace, parsed.global, console);
        code != ExitCode::Success) {
        return code;
    }
    return dispatch(command, workspace, console);
}

ExitCode VimoCtl::openWorkspace(VimoWorkspace& workspace, const GlobalOptions& global,
                                Console& console)
{
    if (failed(workspace.locateInstallation())) {
        console.message(toUtf8(stringText(res::IDS_CLIENT_MISSING)));
        return console.fail(ExitCode::Failure, workspace.lastError().describe(),
                            workspace.lastError());
    }
    // The window shows an empty list here; a script must be able to tell this from "no Vimos".
    if (failed(workspace.checkInstallFolder())) {
        return console.fail(ExitCode::Failure, workspace.lastError().describe(),
                            workspace.lastError());
    }
    if (ExitCode code = loadConfiguration(workspace, global, console); code != ExitCode::Success) {
        return code;
    }
    const HRESULT hr = workspace.loadAll();
    if (failed(hr)) {
        console.message(toUtf8(stringText(res::IDS_INIT_FAILED)));
        const Failure cause = causeOf(workspace, hr);
        return console.fail(ExitCode::Failure,
                            "the catalogue could not be loaded: " + cause.describe(), cause);
    }
    return ExitCode::Success;
}

Failure VimoCtl::causeOf(const VimoWorkspace& workspace, HRESULT hr)
{
    return workspace.lastError().empty() ? Failure{hr, {}, {}} : workspace.lastError();
}

ExitCode VimoCtl::loadConfiguration(VimoWorkspace& workspace, const GlobalOptions& global,
                                    Console& console)
{
    auto failWith = [&](const std::string& text, const Failure& cause) {
        console.message(toUtf8(stringText(res::IDS_INIT_FAILED)));
        return console.fail(ExitCode::Failure, text, cause);
    };
    if (global.configFile) {
        const std::u16string path = fromUtf8(*global.configFile);
        std::ifstream in(*global.configFile, std::ios::binary);
        if (!in) {
            const Failure cause = failureFromErrno(errno, path);
            return failWith("the developer configuration could not be read: " + cause.describe(),
                            cause);
        }
        std::ostringstream bytes;
        bytes << in.rdbuf();
        const HRESULT hr = workspace.readDeveloperConfiguration(bytes.str(), path);
        if (failed(hr)) {
            const Failure cause = causeOf(workspace, hr);
            return failWith("the developer configuration could not be read: " + cause.describe(),
                            cause);
        }
        return ExitCode::Success;
    }

    const ConfigurationCache cache(m_platform, workspace.developerServer());
    std::optional<std::string> downloaded;
    const HRESULT hr = workspace.loadDeveloperConfiguration(downloaded);
    if (succeeded(hr)) {
        if (auto problem = cache.store(*downloaded)) {
            console.message("warning: the developer configuration was not kept for --offline: " +
                            *problem);
        }
        return ExitCode::Success;
    }
    const Failure cause = causeOf(workspace, hr);
    const std::string kept = cache.storedWhen();
    const bool unreachable = !downloaded;
    if (unreachable && global.offline && !kept.empty()) {
        console.message("the developer server cannot be reached (" + cause.describe() +
                        "); using the developer configuration kept from " + kept);
        const std::optional<std::string> bytes = cache.load();
        const HRESULT read =
            bytes ? workspace.readDeveloperConfiguration(*bytes, cache.file()) : E_FAIL;
        if (succeeded(read)) {
            return ExitCode::Success;
        }
        const Failure readCause = bytes
                                      ? causeOf(workspace, read)
                                      : Failure{E_FAIL, cache.file(), "the copy could not be read"};
        return failWith("the kept developer configuration could not be read: " +
                            readCause.describe(),
                        readCause);
    }
    std::string text = "the developer configuration could not be loaded: " + cause.describe();
    if (unreachable && !kept.empty()) {
        text += "; vimoctl --offline uses the copy kept from " + kept;
    } else if (unreachable && global.offline) {
        text += "; no copy is kept for --offline (" + toUtf8(cache.file()) + ")";
    }
    return failWith(text, cause);
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
    if (name == "watch") {
        return WatchCommand(workspace, console).watch(command);
    }
    ClientCommands commands(workspace, console);
    return name == "open" ? commands.open(command) : commands.run(command);
}

} // namespace vimo::cli
