#pragma once

#include "platform/FileSystem.h"
#include "platform/Paths.h"

#include <string>

namespace vimo {

// The tool's temporary files, named as temporaryFileName says, in the workspace's folders.

// A new temporary path of this process beside `target`.
std::u16string temporaryPathBeside(const std::u16string& target);
// Removes the temporary files for `target` that processes no longer running left behind (a
// kill or a size limit during an earlier save).
void removeStaleTemporaries(FileSystem& files, const std::u16string& target);

} // namespace vimo
