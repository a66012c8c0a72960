#pragma once

#include <string>
#include <string_view>

namespace vimo {

// The Wine session a client runs in: the processes of one user in one Wine prefix.
struct WineSession
{
    std::string prefix;      // absolute, with links resolved
    unsigned uid = 0;        // the user whose processes count
    std::string defaultHome; // HOME for a process whose environment has none
};

// The running processes, read from a tree shaped like /proc: the system's, or a test's own.
class ProcessTable
{
public:
    explicit ProcessTable(std::string root = "/proc");

    // Whether a live process of the session runs `programName`: the last component of its
    // argv[0] (after "/" or "\") or its comm equals it without regard to letter case.
    bool isProgramRunning(std::u16string_view programName, const WineSession& session) const;
    // Whether `pid` is a live process of the session.
    bool belongsToSession(int pid, const WineSession& session) const;

    // A prefix as Wine takes it, with links resolved; empty when it is not absolute.
    static std::string resolvePrefix(const std::string& prefix);

private:
    std::string m_root;
};

} // namespace vimo
