#pragma once

#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "workspace/VimoWorkspace.h"

#include <optional>
#include <string>

namespace vimo::cli {

// What every group of subcommands works on: the loaded workspace and the console.
class CommandGroup
{
public:
    CommandGroup(VimoWorkspace& workspace, Console& console);

protected:
    // The record of the command's identifier argument; on failure the reason has been reported
    // and the exit code is returned instead.
    std::optional<ExitCode> findVimo(const ParsedCommand& command, VimoInfo& info);
    // Why a service folder's entry is not in the catalogue, in one line.
    static std::string leftOutText(const LeftOutFolder& left);
    // Reports a refusal or failure of `command` in one line.
    ExitCode fail(const ParsedCommand& command, ExitCode code, const std::string& text);
    // Reports that `what` failed with `hr`, followed by the workspace's cause in words:
    // "vimoctl pack: the archive of "x" was not built: /path: No space left (0x80070070)".
    ExitCode failWithCause(const ParsedCommand& command, const std::string& what, HRESULT hr,
                           ExitCode code = ExitCode::Failure);
    // The workspace's cause of `hr`, or a cause that holds only the code when it has none.
    Failure causeOf(HRESULT hr) const;

    // Every field of the record, named after VimoInfo's fields, and its state.
    static Json record(const VimoInfo& info);
    static Json text(const std::u16string& value) { return toJsonText(value); }
    // A text, or null when it is empty (nothing is known).
    static Json optionalText(const std::u16string& value);
    // The record as "field: value" lines.
    void printRecord(const VimoInfo& info);
    static std::string stateName(const VimoInfo& info) { return info.isDev ? "dev" : "published"; }
    // `path` relative to `folder` when it lies below it, else `path`.
    static std::u16string relativePath(const std::u16string& path, const std::u16string& folder);

    VimoWorkspace& m_workspace;
    Console& m_console;

private:
    static Json toJsonText(const std::u16string& value);
};

} // namespace vimo::cli
