#pragma once

#include "platform/Failure.h"

#include <memory>
#include <mutex>
#include <string>

namespace vimo {

// The first failure that the streams and the callback of one archive build meet, kept for the
// writer's report. The engine calls them from its worker threads, so it is locked.
class StreamFailure
{
public:
    // Keeps `failure` unless an earlier one is already kept.
    void record(const Failure& failure);
    // The failure kept; empty when none.
    Failure first() const;

private:
    mutable std::mutex m_lock;
    Failure m_first;
};

using StreamFailurePtr = std::shared_ptr<StreamFailure>;

// Keeps the failure of the system error `error` on `path` in `failures`, when given; returns
// its code.
HRESULT recordFailure(const StreamFailurePtr& failures, int error, const std::u16string& path);

} // namespace vimo
