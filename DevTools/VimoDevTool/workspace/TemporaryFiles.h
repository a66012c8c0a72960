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
// The name a temporary file or folder of this name stands in for; empty when it is none.
std::u16string temporaryTargetName(std::u16string_view name);
// Removes a folder with everything in it; links are removed, never followed. 0 when nothing is
// left of it (also when it was not there), else the error of the first entry that stayed.
int removeTree(FileSystem& files, const std::u16string& folder);

} // namespace vimo
