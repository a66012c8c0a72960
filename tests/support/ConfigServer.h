#pragma once

#include <functional>
#include <memory>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

namespace vimo::test {

// The vendor's developer server on loopback, in the test process, on a port the system chose.
class ConfigServer
{
public:
    ConfigServer();
    ~ConfigServer();
    ConfigServer(const ConfigServer&) = delete;
    ConfigServer& operator=(const ConfigServer&) = delete;

    // "http://127.0.0.1:<port>", to be used as ORVO_DEVELOPER_SERVER.
    std::string baseUrl() const;
    // Serves `xml` at the configuration's address.
    void setConfiguration(const std::string& xml);
    // Answers GET `path` with a handler of the test's own (slow, failing, oversized answers).
    void setHandler(const std::string& path,
                    std::function<void(const httplib::Request&, httplib::Response&)> handler);
    // How many requests reached the server.
    int requestCount() const;

    // A typical configuration: limits 50 and 500, html/htm/css/js/png/jpg/gif/xml/json
    // allowed, Thumbs.db and .DS_Store ignored.
    static std::string defaultConfiguration();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vimo::test
