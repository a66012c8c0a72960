#pragma once

#include "cli/CommandTable.h"

#include <string>

namespace vimo::cli {

// The texts of `vimoctl --help` and `vimoctl help COMMAND`.
class HelpText
{
public:
    static std::string overview();
    static std::string command(const CommandSpec& spec);
};

} // namespace vimo::cli
