#include "cli/CommandGroup.h"

#include "platform/Paths.h"
#include "platform/Text.h"

namespace vimo::cli {

CommandGroup::CommandGroup(VimoWorkspace& workspace, Console& console)
    : m_workspace(workspace), m_console(console)
{
}

std::optional<ExitCode> CommandGroup::findVimo(const ParsedCommand& command, VimoInfo& info)
{
    const std::string id = command.argument();
    if (m_workspace.getVimo(fromUtf8(id), info) != S_OK) {
        for (const LeftOutFolder& left : m_workspace.leftOutFolders()) {
            if (left.id == fromUtf8(id)) {
                return fail(command, ExitCode::NothingDone, leftOutText(left));
            }
        }
        return fail(command, ExitCode::NothingDone, "no Vimo \"" + id + "\" in the catalogue");
    }
    return std::nullopt;
}

std::string CommandGroup::leftOutText(const LeftOutFolder& left)
{
    return "the catalogue entry in " + toUtf8(left.folder) + " is left out: " + left.reason;
}

ExitCode CommandGroup::fail(const ParsedCommand& command, ExitCode code, const std::string& text)
{
    return m_console.fail(code, "vimoctl " + command.command->name + ": " + text);
}

Failure CommandGroup::causeOf(HRESULT hr) const
{
    const Failure& cause = m_workspace.lastError();
    if (!cause.empty()) {
        return cause;
    }
    return Failure{hr, {}, {}};
}

ExitCode CommandGroup::failWithCause(const ParsedCommand& command, const std::string& what,
                                     HRESULT hr, ExitCode code)
{
    const Failure cause = causeOf(hr);
    return m_console.fail(
        code, "vimoctl " + command.command->name + ": " + what + ": " + cause.describe(), cause);
}

Json CommandGroup::toJsonText(const std::u16string& value)
{
    return toUtf8(value);
}

Json CommandGroup::optionalText(const std::u16string& value)
{
    return value.empty() ? Json() : toJsonText(value);
}

Json CommandGroup::record(const VimoInfo& info)
{
    return Json{{"id", text(info.id)},           {"name", text(info.name)},
                {"folder", text(info.folder)},   {"desc", text(info.desc)},
                {"width", info.width},           {"height", info.height},
                {"url", optionalText(info.url)}, {"requiresInvitation", info.requiresInvitation},
                {"isDhtml", info.isDhtml},       {"isDev", info.isDev},
                {"state", stateName(info)}};
}

void CommandGroup::printRecord(const VimoInfo& info)
{
    auto field = [this](const char* name, const std::string& value) {
        m_console.line(format::padRight(std::string(name) + ":", 20) + value);
    };
    field("id", toUtf8(info.id));
    field("name", toUtf8(info.name));
    field("folder", toUtf8(info.folder));
    field("desc", toUtf8(info.desc));
    field("width", std::to_string(info.width));
    field("height", std::to_string(info.height));
    field("url", toUtf8(info.url));
    field("requiresInvitation",
          info.requiresInvitation ? "true (interactive)" : "false (not interactive)");
    field("isDhtml", info.isDhtml ? "true (web Vimo)" : "false (local Vimo)");
    field("isDev", info.isDev ? "true (under development)" : "false (published)");
}

std::u16string CommandGroup::relativePath(const std::u16string& path, const std::u16string& folder)
{
    if (folder.empty()) {
        return path;
    }
    std::u16string prefix = folder;
    if (prefix.back() != kPathSeparator) {
        prefix += kPathSeparator;
    }
    if (path.starts_with(prefix)) {
        return path.substr(prefix.size());
    }
    return path;
}

} // namespace vimo::cli
