#include "support/ConfigServer.h"

#include <sstream>
#include <stdexcept>
#include <thread>
#include <vector>

#include <winsock2.h>

namespace vimo::test {

// One thread accepts; each connection has its own, so that a slow answer holds up no other.
struct ConfigServer::Impl
{
    SOCKET listener = INVALID_SOCKET;
    unsigned short port = 0;
    std::thread acceptor;
    std::mutex mutex;
    std::vector<std::thread> connections;
};

namespace {

bool sendAll(SOCKET socket, const std::string& data)
{
    for (std::size_t sent = 0; sent < data.size();) {
        const int now = ::send(socket, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (now <= 0) {
            return false; // the client went away
        }
        sent += static_cast<std::size_t>(now);
    }
    return true;
}

// The path of the request line, once the request's head has arrived; empty when it never does.
std::string readRequestPath(SOCKET socket)
{
    std::string request;
    char buffer[1024];
    while (request.find("\r\n\r\n") == std::string::npos) {
        const int got = recv(socket, buffer, sizeof(buffer), 0);
        if (got <= 0) {
            return {};
        }
        request.append(buffer, static_cast<std::size_t>(got));
    }
    std::istringstream line(request.substr(0, request.find("\r\n")));
    std::string method, path;
    line >> method >> path;
    return path;
}

void sendReply(SOCKET socket, const HttpReply& reply)
{
    std::string head = "HTTP/1.1 " + std::to_string(reply.status) +
                       " Reply\r\nContent-Type: text/xml\r\nConnection: close\r\n";
    if (!reply.location.empty()) {
        head += "Location: " + reply.location + "\r\n";
    }
    if (reply.pieceSize == 0) {
        sendAll(socket, head + "Content-Length: " + std::to_string(reply.body.size()) + "\r\n\r\n" +
                            reply.body);
        return;
    }
    if (!sendAll(socket, head + "Transfer-Encoding: chunked\r\n\r\n")) {
        return;
    }
    for (std::size_t at = 0; at < reply.body.size(); at += reply.pieceSize) {
        std::this_thread::sleep_for(reply.pause);
        const std::string piece = reply.body.substr(at, reply.pieceSize);
        std::ostringstream size;
        size << std::hex << piece.size();
        if (!sendAll(socket, size.str() + "\r\n" + piece + "\r\n")) {
            return;
        }
    }
    sendAll(socket, "0\r\n\r\n");
}

} // namespace

ConfigServer::ConfigServer() : m_impl(std::make_unique<Impl>())
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    Impl& impl = *m_impl;
    impl.listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof(address);
    if (impl.listener == INVALID_SOCKET ||
        bind(impl.listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(impl.listener, reinterpret_cast<sockaddr*>(&address), &size) != 0 ||
        listen(impl.listener, SOMAXCONN) != 0) {
        closesocket(impl.listener);
        WSACleanup();
        throw std::runtime_error("cannot bind the loopback configuration server");
    }
    impl.port = ntohs(address.sin_port);
    impl.acceptor = std::thread([this, &impl] {
        for (;;) {
            const SOCKET client = accept(impl.listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return; // the listener was closed
            }
            std::lock_guard lock(impl.mutex);
            impl.connections.emplace_back([this, client] {
                // A client that never sends its request does not keep the server from stopping.
                const DWORD patienceMs = 10000;
                setsockopt(client, SOL_SOCKET, SO_RCVTIMEO,
                           reinterpret_cast<const char*>(&patienceMs), sizeof(patienceMs));
                if (const std::string path = readRequestPath(client); !path.empty()) {
                    sendReply(client, reply(path));
                }
                shutdown(client, SD_BOTH);
                closesocket(client);
            });
        }
    });
}

ConfigServer::~ConfigServer()
{
    closesocket(m_impl->listener);
    m_impl->acceptor.join();
    for (std::thread& connection : m_impl->connections) {
        connection.join();
    }
    WSACleanup();
}

std::string ConfigServer::baseUrl() const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port);
}

} // namespace vimo::test
