#include "support/ConfigServer.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vimo::test {

struct ConfigServer::Impl
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<int> requests{0};
    std::atomic<bool> listenEnded{false};
    std::mutex mutex;
    std::string configuration = defaultConfiguration();
    std::map<std::string, std::function<void(const httplib::Request&, httplib::Response&)>>
        handlers;
};

ConfigServer::ConfigServer() : m_impl(std::make_unique<Impl>())
{
    Impl& impl = *m_impl;
    // One route for everything, so that tests can add handlers while the server runs.
    impl.server.Get(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
        ++impl.requests; // counted before answering, so a test that got its answer sees it
        std::function<void(const httplib::Request&, httplib::Response&)> handler;
        {
            std::lock_guard lock(impl.mutex);
            if (auto it = impl.handlers.find(req.path); it != impl.handlers.end()) {
                handler = it->second;
            } else if (req.path == "/pages/xml/openvimoz_conf.xml") {
                res.set_content(impl.configuration, "text/xml");
                return;
            } else {
                res.status = 404;
                return;
            }
        }
        handler(req, res);
    });
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0) {
        throw std::runtime_error("cannot bind the loopback configuration server");
    }
    impl.thread = std::thread([&impl] {
        impl.server.listen_after_bind();
        impl.listenEnded = true;
    });
    // stop() does nothing before the server runs, so a quick destruction would join forever.
    while (!impl.server.is_running() && !impl.listenEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

ConfigServer::~ConfigServer()
{
    m_impl->server.stop();
    if (m_impl->thread.joinable()) {
        m_impl->thread.join();
    }
}

std::string ConfigServer::baseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
}

void ConfigServer::setConfiguration(const std::string& xml)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->configuration = xml;
}

void ConfigServer::setHandler(
    const std::string& path,
    std::function<void(const httplib::Request&, httplib::Response&)> handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->handlers[path] = std::move(handler);
}

int ConfigServer::requestCount() const
{
    return m_impl->requests;
}

std::string ConfigServer::defaultConfiguration()
{
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<confList>
  <generalConfig>
    <vimoNameLengthLimit value="50"/>
    <vimoDescLengthLimit value="500"/>
    <localVimoMainFile value="http://developer.example/template_vimo/index.vimo"/>
  </generalConfig>
  <extensions>
    <ext value="html"/>
    <ext value="htm"/>
    <ext value="css"/>
    <ext value="js"/>
    <ext value="png"/>
    <ext value="jpg"/>
    <ext value="gif"/>
    <ext value="xml"/>
    <ext value="json"/>
  </extensions>
  <filesToIgnore>
    <file value="Thumbs.db"/>
    <file value=".DS_Store"/>
  </filesToIgnore>
</confList>
)";
}

} // namespace vimo::test
