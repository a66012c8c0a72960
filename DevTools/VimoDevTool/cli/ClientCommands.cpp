#include "cli/ClientCommands.h"

#include "platform/Text.h"
#include "workspace/StringTable.h"

namespace vimo::cli {

void ClientCommands::answer(const char* action, bool done, const std::u16string& target)
{
    if (m_console.json()) {
        m_console.document(
            Json{{"action", action}, {"done", done}, {"target", optionalText(target)}});
    } else if (!target.empty()) {
        m_console.line(target);
    }
}

ExitCode ClientCommands::open(const ParsedCommand& command)
{
    if (command.arguments.empty()) {
        if (command.has("--source") || command.has("--icons")) {
            return fail(command, ExitCode::NothingDone,
                        "--source and --icons need the Vimo identifier");
        }
        const std::u16string folder = m_workspace.servicesFolder();
        const HRESULT hr = m_workspace.openServicesFolder();
        if (failed(hr)) {
            return failWithCause(command, "could not open " + toUtf8(folder), hr);
        }
        answer("openServicesFolder", true, folder);
        return ExitCode::Success;
    }
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const bool icons = command.has("--icons");
    const std::u16string folder =
        icons ? m_workspace.iconsFolder(info.id) : m_workspace.sourceFolder(info.id);
    const HRESULT hr =
        icons ? m_workspace.openIconsFolder(info.id) : m_workspace.openSourceFolder(info.id);
    if (failed(hr)) {
        return failWithCause(command, "could not open " + toUtf8(folder), hr);
    }
    answer(icons ? "openIconsFolder" : "openSourceFolder", true, folder);
    return ExitCode::Success;
}

ExitCode ClientCommands::run(const ParsedCommand& command)
{
    bool started = false;
    bool launchFailed = false;
    // Both steps run, as the window's button does: a client started just now has no window yet,
    // so the second instance starts at once as well.
    if (!m_workspace.IsClientRunning()) {
        if (const HRESULT hr = m_workspace.LaunchClient(); failed(hr)) {
            m_console.message(toUtf8(stringText(res::IDS_LAUNCH_FAILED)));
            m_console.message("vimoctl run: " + causeOf(hr).describe());
            launchFailed = true;
        } else {
            started = true;
        }
    }
    bool secondStarted = false;
    if (command.has("--second") && !m_workspace.HasSecondClientWindow()) {
        if (const HRESULT hr = m_workspace.LaunchSecondClient(); failed(hr)) {
            m_console.message(toUtf8(stringText(res::IDS_LAUNCH_SECOND_FAILED)));
            m_console.message("vimoctl run: " + causeOf(hr).describe());
            launchFailed = true;
        } else {
            secondStarted = true;
        }
    }
    if (m_console.json()) {
        m_console.document(Json{{"clientStarted", started},
                                {"secondStarted", secondStarted},
                                {"failed", launchFailed}});
    } else {
        if (started) {
            m_console.line("started Orvo");
        }
        if (secondStarted) {
            m_console.line("started a second Orvo");
        }
    }
    if (launchFailed) {
        return ExitCode::Failure;
    }
    if (!started && !secondStarted) {
        m_console.message(command.has("--second") ? "Orvo already shows two windows."
                                                  : "Orvo is already running.");
        return ExitCode::NothingDone;
    }
    return ExitCode::Success;
}

} // namespace vimo::cli
