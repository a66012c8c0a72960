#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vimo::test {

// What the server sends for one request.
struct HttpReply
{
    int status = 200;
    std::string body{};
    std::string location{}; // sent as the Location header when not empty (a redirect)
    // When set, the body goes out in pieces of this size without a length announced in advance,
    // `pause` before each piece.
    std::size_t pieceSize = 0;
    std::chrono::milliseconds pause{};
};

// The vendor's developer server on loopback, in the test process, on a port the system chose:
// cpp-httplib on Linux, a small Winsock server on Windows (Debian has cpp-httplib for Linux only).
class ConfigServer
{
public:
    // Answers one request; it may take its time first (a slow or silent server).
    using Handler = std::function<HttpReply()>;

    ConfigServer();
    ~ConfigServer();
    ConfigServer(const ConfigServer&) = delete;
    ConfigServer& operator=(const ConfigServer&) = delete;

    // "http://127.0.0.1:<port>", to be used as ORVO_DEVELOPER_SERVER.
    std::string baseUrl() const;
    // Serves `xml` at the configuration's address.
    void setConfiguration(const std::string& xml);
    // Answers GET `path` with a handler of the test's own (slow, failing, oversized answers).
    void setHandler(const std::string& path, Handler handler);
    // How many requests reached the server.
    int requestCount() const;

    // A typical configuration: limits 50 and 500, html/htm/css/js/png/jpg/gif/xml/json
    // allowed, Thumbs.db and .DS_Store ignored.
    static std::string defaultConfiguration();
    // An address on loopback where nothing listens: a port the system just handed out and that
    // was closed again.
    static std::string closedAddress();

private:
    // The reply for a request of `path`, counted; shared by both systems' servers.
    HttpReply reply(const std::string& path);

    struct Impl;
    std::unique_ptr<Impl> m_impl;
    std::atomic<int> m_requests{0};
    std::mutex m_mutex;
    std::string m_configuration = defaultConfiguration();
    std::map<std::string, Handler> m_handlers;
};

} // namespace vimo::test
