// The WinHTTP download against a loopback server in the test process: the same limits and
// failures in words as the libcurl adapter on Linux.

#include "platform/HttpDownload.h"
#include "platform/Text.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <map>
#include <string>
#include <thread>

// After the model's headers: <windows.h> defines result codes and registry types as macros.
#include <winsock2.h>

namespace vimo::test {

namespace {

// Answers each request with the raw text stored for its path; a path without one gets no answer
// until the server stops (a server that hangs).
class RawServer
{
public:
    explicit RawServer(std::map<std::string, std::string> answers) : m_answers(std::move(answers))
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        m_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &size);
        m_port = ntohs(address.sin_port);
        listen(m_listener, 8);
        m_thread = std::thread([this] { serve(); });
    }
    ~RawServer()
    {
        m_stopping = true;
        closesocket(m_listener);
        m_thread.join();
        WSACleanup();
    }
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    std::string url(const std::string& path) const
    {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }

private:
    void serve()
    {
        while (!m_stopping) {
            SOCKET client = accept(m_listener, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            std::string request;
            char buffer[1024];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof(buffer), 0);
                if (got <= 0) {
                    break;
                }
                request.append(buffer, static_cast<std::size_t>(got));
            }
            const std::size_t start = request.find(' ') + 1;
            const std::string path = request.substr(start, request.find(' ', start) - start);
            if (auto it = m_answers.find(path); it != m_answers.end()) {
                send(client, it->second.data(), static_cast<int>(it->second.size()), 0);
            } else {
                while (!m_stopping) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(20));
                }
            }
            shutdown(client, SD_BOTH);
            closesocket(client);
        }
    }

    std::map<std::string, std::string> m_answers;
    SOCKET m_listener = INVALID_SOCKET;
    unsigned short m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

std::string answer(int status, const std::string& body, const std::string& headers = {})
{
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
           headers + "\r\n" + body;
}

std::string redirectTo(const std::string& location)
{
    return answer(302, "", "Location: " + location + "\r\n");
}

} // namespace

TEST(WinHttpDownload, FetchesTheDocumentAndFollowsUpToFiveRedirects)
{
    std::map<std::string, std::string> answers;
    answers["/conf.xml"] = answer(200, "<confList/>");
    for (int i = 1; i <= 6; ++i) {
        answers["/hop" + std::to_string(i)] =
            redirectTo(i == 1 ? "/conf.xml" : "/hop" + std::to_string(i - 1));
    }
    RawServer server(answers);
    Failure failure;
    EXPECT_EQ(downloadDocument(server.url("/conf.xml"), {}, failure), "<confList/>");
    EXPECT_EQ(downloadDocument(server.url("/hop5"), {}, failure), "<confList/>");

    const auto tooMany = downloadDocument(server.url("/hop6"), {}, failure);
    EXPECT_FALSE(tooMany);
    EXPECT_TRUE(failed(failure.code));
    EXPECT_EQ(failure.subject, fromUtf8(server.url("/hop6")));
}

TEST(WinHttpDownload, RefusesErrorStatusesOversizedAnswersAndSilentServers)
{
    const std::string big(2000, 'x');
    RawServer server({
        {"/missing", answer(404, "not here")},
        {"/broken", answer(500, "")},
        {"/big", answer(200, big)},
        {"/big-unannounced", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + big},
    });
    DownloadLimits small;
    small.maximumBytes = 1000;
    small.totalTimeoutMs = 1500;
    struct Case
    {
        std::string path;
        std::string reason;
    };
    const Case cases[] = {
        {"/missing", "the server answered with HTTP status 404"},
        {"/broken", "the server answered with HTTP status 500"},
        {"/big", "the answer is larger than 1,000 bytes"},
        {"/big-unannounced", "the answer is larger than 1,000 bytes"},
        {"/hangs", "the server did not answer in time"},
    };
    for (const Case& c : cases) {
        Failure failure;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(downloadDocument(server.url(c.path), small, failure)) << c.path;
        EXPECT_EQ(failure.reason, c.reason) << c.path;
        EXPECT_TRUE(failed(failure.code)) << c.path;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5)) << c.path;
    }

    // A server that says nothing is given up after the pause allowed, long before the whole
    // download's time is out.
    DownloadLimits stalled;
    stalled.stallTimeoutSeconds = 1;
    Failure failure;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(downloadDocument(server.url("/hangs"), stalled, failure));
    EXPECT_EQ(failure.reason, "the server did not answer in time");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(WinHttpDownload, NamesTheCauseWhenNoServerAnswersOrTheAddressIsNotHttp)
{
    Failure failure;
    // A port that was just free: nothing listens there.
    std::string closed;
    {
        RawServer server({});
        closed = server.url("/conf.xml");
    }
    EXPECT_FALSE(downloadDocument(closed, {}, failure));
    EXPECT_EQ(failure.reason, "the server cannot be reached (connection refused)");

    EXPECT_FALSE(downloadDocument("ftp://127.0.0.1/conf.xml", {}, failure));
    EXPECT_EQ(failure.reason, "the address is not an http or https address");
    EXPECT_EQ(failure.subject, u"ftp://127.0.0.1/conf.xml");
}

} // namespace vimo::test
