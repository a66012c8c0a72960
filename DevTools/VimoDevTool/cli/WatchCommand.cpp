#include "cli/WatchCommand.h"

#include "platform/FileWatcher.h"
#include "platform/Paths.h"
#include "platform/Text.h"

#include <algorithm>

namespace vimo::cli {

bool WatchCommand::ignored(const std::u16string& path)
{
    const std::size_t slash = path.find_last_of(kPathSeparator);
    const std::u16string name = slash == std::u16string::npos ? path : path.substr(slash + 1);
    const std::u16string lower = toLowerAscii(name);
    return lower == u"vimolist.bin" || temporaryFileOwner(name).has_value() ||
           lower.ends_with(u".zip") || lower.find(u".zip.") != std::u16string::npos;
}

ExitCode WatchCommand::watch(const ParsedCommand& command)
{
    VimoInfo info;
    if (auto code = findVimo(command, info)) {
        return *code;
    }
    const std::unique_ptr<FileWatcher> watcher = FileWatcher::create();
    if (!watcher->watch(info.folder)) {
        const Failure& cause = watcher->failure();
        return m_console.fail(ExitCode::Failure,
                              "vimoctl watch: the folder cannot be watched: " + cause.describe(),
                              cause);
    }
    m_console.message("watching " + toUtf8(info.folder) + " (Ctrl+C stops)");

    std::vector<std::u16string> changed;
    for (;;) {
        WatchEvent event = watcher->wait(-1, changed);
        // Editors and copies write in bursts: act once the folder has been quiet a moment.
        while (event == WatchEvent::Changes) {
            event = watcher->wait(kSettleMilliseconds, changed);
        }
        if (event == WatchEvent::Interrupted) {
            break;
        }
        if (event == WatchEvent::Failed) {
            const Failure& cause = watcher->failure();
            return m_console.fail(ExitCode::Failure,
                                  "vimoctl watch: watching stopped: " + cause.describe(), cause);
        }
        std::vector<std::u16string> relevant;
        for (const std::u16string& path : changed) {
            const std::u16string relative = relativePath(path, info.folder);
            if (!ignored(relative) &&
                std::find(relevant.begin(), relevant.end(), relative) == relevant.end()) {
                relevant.push_back(relative);
            }
        }
        changed.clear();
        if (!relevant.empty()) {
            reload(info, relevant);
        }
    }
    m_console.message("stopped");
    return ExitCode::Success;
}

void WatchCommand::reload(const VimoInfo& info, const std::vector<std::u16string>& changed)
{
    const bool cacheRemoved = succeeded(m_workspace.removeVimoListCache(info.id));
    const bool running = m_workspace.IsClientRunning();
    std::string problem;
    bool sent = false;
    if (running) {
        const HRESULT hr = m_workspace.NotifyReloadVimoList();
        sent = succeeded(hr);
        if (!sent) {
            problem = causeOf(hr).describe();
        }
    }
    if (m_console.json()) {
        Json paths = Json::array();
        for (const std::u16string& path : changed) {
            paths.push_back(text(path));
        }
        m_console.event(Json{{"id", text(info.id)},
                             {"changed", paths},
                             {"cacheRemoved", cacheRemoved},
                             {"clientRunning", running},
                             {"sent", sent ? Json("orvo:reloadVimoList") : Json()},
                             {"error", problem.empty() ? Json() : Json(problem)}});
        return;
    }
    std::string line = toUtf8(changed.front());
    if (changed.size() > 1) {
        line += " and " + std::to_string(changed.size() - 1) + " more";
    }
    line += " changed: ";
    line += cacheRemoved ? "client cache removed; " : "";
    if (!running) {
        line += "Orvo is not running, nothing sent";
    } else if (sent) {
        line += "sent orvo:reloadVimoList";
    } else {
        line += "orvo:reloadVimoList not sent: " + problem;
    }
    m_console.line(line);
    m_console.flush();
}

} // namespace vimo::cli
