#include "platform/posix/ProcessTable.h"

#include "platform/Text.h"

#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <unistd.h>

namespace vimo {

namespace {

// At most `limit` bytes of a process's file; empty when it cannot be read (the process ended).
std::string readProcFile(const std::string& path, std::size_t limit)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::string text(limit, '\0');
    std::size_t used = 0;
    while (used < limit) {
        const ssize_t count = read(fd, text.data() + used, limit - used);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            break;
        }
        used += static_cast<std::size_t>(count);
    }
    close(fd);
    text.resize(used);
    return text;
}

bool isNumber(std::string_view text)
{
    if (text.empty()) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// The value after "Name:" in a status file, up to the end of its line.
std::string_view statusField(std::string_view status, std::string_view name)
{
    std::size_t pos = 0;
    while (pos < status.size()) {
        std::size_t end = status.find('\n', pos);
        if (end == std::string_view::npos) {
            end = status.size();
        }
        const std::string_view line = status.substr(pos, end - pos);
        if (line.size() > name.size() && line.substr(0, name.size()) == name &&
            line[name.size()] == ':') {
            std::string_view value = line.substr(name.size() + 1);
            while (!value.empty() && (value.front() == '\t' || value.front() == ' ')) {
                value.remove_prefix(1);
            }
            return value;
        }
        pos = end + 1;
    }
    return {};
}

// A process that has ended but was not yet collected by its parent runs no more: its comm and
// command line would still name the program.
bool liveProcessOf(const std::string& folder, unsigned uid)
{
    const std::string status = readProcFile(folder + "/status", 4096);
    const std::string_view state = statusField(status, "State");
    if (state.empty() || state.front() == 'Z' || state.front() == 'X') {
        return false;
    }
    const std::string uids(statusField(status, "Uid")); // real, effective, saved, file system
    char* end = nullptr;
    const unsigned long real = std::strtoul(uids.c_str(), &end, 10);
    return end != uids.c_str() && real == uid;
}

bool runsProgram(const std::string& folder, std::u16string_view programName)
{
    std::string comm = readProcFile(folder + "/comm", 64);
    while (!comm.empty() && comm.back() == '\n') {
        comm.pop_back();
    }
    if (!comm.empty() && equalsIgnoreAsciiCase(fromUtf8(comm), programName)) {
        return true;
    }
    // Wine puts the path of the program into argv[0], in Windows or in Unix form.
    const std::string cmdline = readProcFile(folder + "/cmdline", 4096);
    const std::string argv0 = cmdline.substr(0, cmdline.find('\0'));
    const std::size_t separator = argv0.find_last_of("/\\");
    const std::string name = separator == std::string::npos ? argv0 : argv0.substr(separator + 1);
    return !name.empty() && equalsIgnoreAsciiCase(fromUtf8(name), programName);
}

// The value of an environment variable in a NUL-separated environment block.
std::optional<std::string> variable(std::string_view block, std::string_view name)
{
    std::size_t pos = 0;
    while (pos < block.size()) {
        std::size_t end = block.find('\0', pos);
        if (end == std::string_view::npos) {
            end = block.size();
        }
        const std::string_view entry = block.substr(pos, end - pos);
        if (entry.size() > name.size() && entry.substr(0, name.size()) == name &&
            entry[name.size()] == '=') {
            return std::string(entry.substr(name.size() + 1));
        }
        pos = end + 1;
    }
    return std::nullopt;
}

// Wine's own rule for the prefix of a process: WINEPREFIX, else "$HOME/.wine".
bool runsInPrefix(const std::string& folder, const WineSession& session)
{
    const std::string environment = readProcFile(folder + "/environ", 256 * 1024);
    std::string prefix;
    if (auto value = variable(environment, "WINEPREFIX"); value && !value->empty()) {
        prefix = *value;
    } else {
        prefix = variable(environment, "HOME").value_or(session.defaultHome) + "/.wine";
    }
    const std::string resolved = ProcessTable::resolvePrefix(prefix);
    return !resolved.empty() && resolved == session.prefix;
}

} // namespace

ProcessTable::ProcessTable(std::string root) : m_root(std::move(root)) {}

std::string ProcessTable::resolvePrefix(const std::string& prefix)
{
    if (prefix.empty() || prefix.front() != '/') {
        return {};
    }
    std::error_code ec;
    const std::filesystem::path resolved = std::filesystem::weakly_canonical(prefix, ec);
    std::string text =
        ec ? std::filesystem::path(prefix).lexically_normal().string() : resolved.string();
    while (text.size() > 1 && text.back() == '/') {
        text.pop_back();
    }
    return text;
}

bool ProcessTable::isProgramRunning(std::u16string_view programName,
                                    const WineSession& session) const
{
    if (programName.empty() || session.prefix.empty()) {
        return false;
    }
    DIR* proc = opendir(m_root.c_str());
    if (!proc) {
        return false;
    }
    bool found = false;
    while (!found) {
        const dirent* entry = readdir(proc);
        if (!entry) {
            break;
        }
        if (!isNumber(entry->d_name)) {
            continue;
        }
        const std::string folder = m_root + "/" + entry->d_name;
        found = runsProgram(folder, programName) && liveProcessOf(folder, session.uid) &&
                runsInPrefix(folder, session);
    }
    closedir(proc);
    return found;
}

bool ProcessTable::belongsToSession(int pid, const WineSession& session) const
{
    if (pid <= 0 || session.prefix.empty()) {
        return false;
    }
    const std::string folder = m_root + "/" + std::to_string(pid);
    return liveProcessOf(folder, session.uid) && runsInPrefix(folder, session);
}

} // namespace vimo
