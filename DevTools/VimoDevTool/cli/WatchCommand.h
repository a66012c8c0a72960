#pragma once

#include "cli/CommandGroup.h"

#include <string>
#include <vector>

namespace vimo::cli {

// watch: reloads the client while a Vimo is edited. Each settled change of the service folder
// (nothing more for 300 ms) removes the client's cached list and, when the client runs in this
// prefix, sends it orvo:reloadVimoList; one line per reload says what changed and what was sent.
class WatchCommand : public CommandGroup
{
public:
    using CommandGroup::CommandGroup;

    ExitCode watch(const ParsedCommand& command);

    // Quiet time after the last change before a reload.
    static constexpr int kSettleMilliseconds = 300;
    // Whether a change of `path` leaves the Vimo as it was for the client: the tool's own
    // temporary files (".name.pid.n.tmp"), the client's cache that a reload deletes, the upload
    // archive and its temporary copies.
    static bool ignored(const std::u16string& path);

private:
    void reload(const VimoInfo& info, const std::vector<std::u16string>& changed);
};

} // namespace vimo::cli
