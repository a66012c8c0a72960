#pragma once

#include "platform/FileSystem.h"

#include <optional>
#include <string>
#include <string_view>

namespace vimo {

// The tool's temporary files are named ".<target's name>.<process id>.<counter>.tmp" and lie
// beside the file they are to replace.

// A new temporary path of this process beside `target`.
std::u16string temporaryPathBeside(const std::u16string& target);
// The process that made a file of this name, when it is one of the tool's temporary files.
std::optional<long> temporaryFileOwner(std::u16string_view name);
// Removes the temporary files for `target` that processes no longer running left behind (a
// kill or a size limit during an earlier save).
void removeStaleTemporaries(FileSystem& files, const std::u16string& target);

} // namespace vimo
