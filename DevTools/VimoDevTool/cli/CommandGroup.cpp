#include "cli/CommandGroup.h"

#include "cli/JsonWriter.h"
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

void CommandGroup::writeRecord(JsonWriter& writer, const VimoInfo& info)
{
    writer.member("id", info.id);
    writer.member("name", info.name);
    writer.member("folder", info.folder);
    writer.member("desc", info.desc);
    writer.member("width", info.width);
    writer.member("height", info.height);
    writer.member("url", info.url);
    writer.member("requiresInvitation", info.requiresInvitation);
    writer.member("isDhtml", info.isDhtml);
    writer.member("isDev", info.isDev);
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
