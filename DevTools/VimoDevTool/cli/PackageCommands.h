#pragma once

#include "cli/CommandGroup.h"
#include "workspace/UploadChecks.h"

namespace vimo::cli {

// files, pack and check: what the upload archive takes, building it, and checking before upload.
class PackageCommands : public CommandGroup
{
public:
    using CommandGroup::CommandGroup;

    ExitCode files(const ParsedCommand& command);
    // The window's "Create ZIP file": cache removal, then the upload package builder.
    ExitCode pack(const ParsedCommand& command);
    ExitCode check(const ParsedCommand& command);

private:
    // With --strict: the findings of the upload checks refuse the packing; nothing when none.
    std::optional<ExitCode> refuseWithFindings(const ParsedCommand& command, const VimoInfo& info,
                                               const std::u16string& archive);
    static Json checkJson(const CheckResult& result);
    // Copies the finished archive to `output` (a file, or a folder to put it in); the problem
    // in one line, or "" when done. `copied` receives the path written.
    std::string copyArchive(const std::u16string& archive, const std::string& output,
                            std::u16string& copied);
};

} // namespace vimo::cli
