#include "archive/StreamFailure.h"

namespace vimo {

void StreamFailure::record(const Failure& failure)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    if (m_first.empty()) {
        m_first = failure;
    }
}

Failure StreamFailure::first() const
{
    const std::lock_guard<std::mutex> hold(m_lock);
    return m_first;
}

HRESULT recordFailure(const StreamFailurePtr& failures, int error, const std::u16string& path)
{
    const Failure failure = failureFromErrno(error, path);
    if (failures) {
        failures->record(failure);
    }
    return failure.code;
}

} // namespace vimo
