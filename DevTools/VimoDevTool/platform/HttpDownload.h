#pragma once

#include "platform/Failure.h"

#include <cstddef>
#include <optional>
#include <string>

namespace vimo {

// How long and how much one download may take.
struct DownloadLimits
{
    long connectTimeoutMs = 10000;
    long totalTimeoutMs = 30000;
    std::size_t maximumBytes = 1024 * 1024;
    // A server that sends nothing for this long is given up, however long the whole transfer
    // may take; a slow download that keeps sending goes on.
    long stallTimeoutSeconds = 10;
};

// The whole document at an http or https address, following at most five redirects. Nothing,
// with `failure` naming the address and the cause, when the transfer fails, takes too long, ends
// with an HTTP error status or is larger than the limit.
std::optional<std::string> downloadDocument(const std::string& url, const DownloadLimits& limits,
                                            Failure& failure);

} // namespace vimo
