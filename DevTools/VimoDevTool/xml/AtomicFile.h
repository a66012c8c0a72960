#pragma once

#include "platform/ResultCodes.h"

#include <string>

namespace vimo {

// Replaces the file at `path` (UTF-8) with `bytes` so that readers see either the old or the
// new content: a temporary file in the same folder is written, flushed and renamed over it,
// keeping the old file's permissions. A target without any write permission counts as
// read-only and is refused. On failure `failure` names the cause and nothing is left behind.
HRESULT writeFileAtomically(const std::string& path, const std::string& bytes,
                            std::string& failure);

} // namespace vimo
