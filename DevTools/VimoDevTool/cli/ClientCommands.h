#pragma once

#include "cli/CommandGroup.h"

namespace vimo::cli {

// open and run: the folder openers and the client launches of the window.
class ClientCommands : public CommandGroup
{
public:
    using CommandGroup::CommandGroup;

    ExitCode open(const ParsedCommand& command);
    // Without --second: start the client unless it runs. With it: "Open 2nd Orvo".
    ExitCode run(const ParsedCommand& command);

private:
    void answer(const char* action, bool done, const std::u16string& target = {});
};

} // namespace vimo::cli
