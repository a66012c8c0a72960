#include "support/ConfigServer.h"

#include <httplib.h>

#include <stdexcept>
#include <thread>

namespace vimo::test {

struct ConfigServer::Impl
{
    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::atomic<bool> listenEnded{false};
};

namespace {

void send(const HttpReply& reply, httplib::Response& res)
{
    res.status = reply.status;
    if (!reply.location.empty()) {
        res.set_header("Location", reply.location);
    }
    if (reply.pieceSize == 0) {
        res.set_content(reply.body, "text/xml");
        return;
    }
    res.set_chunked_content_provider(
        "text/xml", [reply](std::size_t offset, httplib::DataSink& sink) {
            std::this_thread::sleep_for(reply.pause);
            const std::size_t piece = std::min(reply.pieceSize, reply.body.size() - offset);
            sink.write(reply.body.data() + offset, piece);
            if (offset + piece == reply.body.size()) {
                sink.done();
            }
            return true;
        });
}

} // namespace

ConfigServer::ConfigServer() : m_impl(std::make_unique<Impl>())
{
    Impl& impl = *m_impl;
    // One route for everything, so that tests can add handlers while the server runs.
    impl.server.Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        send(reply(req.path), res);
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

} // namespace vimo::test
