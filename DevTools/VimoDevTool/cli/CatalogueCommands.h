#pragma once

#include "cli/CommandGroup.h"

namespace vimo::cli {

// list, show, set and copy: reading and writing the catalogue's records.
class CatalogueCommands : public CommandGroup
{
public:
    using CommandGroup::CommandGroup;

    ExitCode list(const ParsedCommand& command);
    ExitCode show(const ParsedCommand& command);
    // The window's Apply: validation, the record SaveVimo writes, cache removal, reload.
    ExitCode set(const ParsedCommand& command);
    ExitCode copy(const ParsedCommand& command);

    // Checks that need no workspace (numbers written as numbers, texts XML can hold); the
    // one-line problem, with its exit code in `code`, or "".
    static std::string checkSetArguments(const ParsedCommand& command, ExitCode& code);
};

} // namespace vimo::cli
