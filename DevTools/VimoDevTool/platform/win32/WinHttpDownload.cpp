// The download over WinHTTP: the Windows counterpart of the libcurl adapter, with its limits.

#include "platform/HttpDownload.h"

#include "platform/Text.h"
#include "platform/win32/WideText.h"

#include <memory>

#include <windows.h>

#include <winhttp.h>
#include <winsock2.h>

namespace vimo {

namespace {

constexpr DWORD kMaxRedirects = 5;

struct InternetCloser
{
    void operator()(HINTERNET handle) const { WinHttpCloseHandle(handle); }
};
using Internet = std::unique_ptr<void, InternetCloser>;

// WinHTTP's errors in words; the system has no text for most of them outside winhttp.dll.
std::string winHttpErrorText(DWORD error)
{
    switch (error) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT: // what Wine's WinHTTP passes on from the socket
        return "the server did not answer in time";
    case ERROR_WINHTTP_NAME_NOT_RESOLVED:
        return "the server's name cannot be resolved";
    case ERROR_WINHTTP_CANNOT_CONNECT:
        return "the server cannot be reached (connection refused)";
    case ERROR_WINHTTP_CONNECTION_ERROR:
        return "the connection to the server was broken";
    case ERROR_WINHTTP_REDIRECT_FAILED:
        return "the server redirected more than " + std::to_string(kMaxRedirects) + " times";
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME:
    case ERROR_WINHTTP_INVALID_URL:
        return "the address is not an http or https address";
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE:
        return "the server's answer is not HTTP";
    case ERROR_WINHTTP_SECURE_FAILURE:
        return "the server's certificate is not trusted";
    default:
        return windowsErrorText(error);
    }
}

class Download
{
public:
    Download(const std::string& url, const DownloadLimits& limits, Failure& failure)
        : m_url(url), m_limits(limits), m_failure(failure), m_start(GetTickCount64())
    {
    }

    std::optional<std::string> run();

private:
    // Every failed download is E_UNEXPECTED, as with libcurl on Linux: the callers tell a
    // failed download by that code, and the system's error lives on in the cause's words.
    std::optional<std::string> systemFailure(DWORD error)
    {
        return refuse(winHttpErrorText(error));
    }
    std::optional<std::string> refuse(std::string reason)
    {
        m_failure = Failure{E_UNEXPECTED, fromUtf8(m_url), std::move(reason)};
        return std::nullopt;
    }
    // The time left of the whole download, at most the pause allowed without data.
    DWORD nextWait(DWORD most) const
    {
        const ULONGLONG elapsed = GetTickCount64() - m_start;
        const ULONGLONG total = static_cast<ULONGLONG>(m_limits.totalTimeoutMs);
        const ULONGLONG left = elapsed >= total ? 1 : total - elapsed;
        return static_cast<DWORD>(left < most ? left : most);
    }
    bool overTime() const
    {
        return GetTickCount64() - m_start >= static_cast<ULONGLONG>(m_limits.totalTimeoutMs);
    }
    // A pause this long without a byte fails the download, as on Linux.
    DWORD stalledMs() const { return static_cast<DWORD>(m_limits.stallTimeoutSeconds) * 1000; }
    bool setWaits(HINTERNET request, DWORD most)
    {
        const int wait = static_cast<int>(nextWait(most));
        const int connect =
            static_cast<int>(nextWait(static_cast<DWORD>(m_limits.connectTimeoutMs)));
        // The wait for the headers has a limit of its own, apart from the receive time-out.
        DWORD headers = static_cast<DWORD>(wait);
        return WinHttpSetTimeouts(request, connect, connect, wait, wait) &&
               WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &headers,
                                sizeof(headers));
    }

    std::string m_url;
    DownloadLimits m_limits;
    Failure& m_failure;
    ULONGLONG m_start;
};

std::optional<std::string> Download::run()
{
    const std::wstring wideUrl = toWindowsWide(fromUtf8(m_url));
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof(parts);
    parts.dwHostNameLength = static_cast<DWORD>(-1);
    parts.dwUrlPathLength = static_cast<DWORD>(-1);
    parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    parts.dwSchemeLength = static_cast<DWORD>(-1);
    if (!WinHttpCrackUrl(wideUrl.c_str(), static_cast<DWORD>(wideUrl.size()), 0, &parts)) {
        return systemFailure(GetLastError());
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
        return systemFailure(ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
    }
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring object(parts.lpszUrlPath, parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (object.empty()) {
        object = L"/";
    }

    // The system's proxy settings, as libcurl takes the environment's.
    Internet session(WinHttpOpen(L"VimoDevTool/1.0", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                 WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) {
        return systemFailure(GetLastError());
    }
    Internet connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) {
        return systemFailure(GetLastError());
    }
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    Internet request(WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr,
                                        WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, secure));
    if (!request) {
        return systemFailure(GetLastError());
    }
    DWORD redirects = kMaxRedirects;
    WinHttpSetOption(request.get(), WINHTTP_OPTION_MAX_HTTP_AUTOMATIC_REDIRECTS, &redirects,
                     sizeof(redirects));
    if (!setWaits(request.get(), stalledMs()) ||
        !WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.get(), nullptr)) {
        const DWORD error = GetLastError();
        return systemFailure(overTime() ? ERROR_WINHTTP_TIMEOUT : error);
    }

    DWORD status = 0;
    DWORD statusSize = sizeof(status);
    if (!WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                             WINHTTP_HEADER_NAME_BY_INDEX, &status, &statusSize,
                             WINHTTP_NO_HEADER_INDEX)) {
        return refuse("the answer carries no HTTP status");
    }
    if (status >= 400) {
        return refuse("the server answered with HTTP status " + std::to_string(status));
    }
    const std::string tooLarge =
        "the answer is larger than " + groupDigits(m_limits.maximumBytes) + " bytes";
    DWORD announced = 0;
    DWORD announcedSize = sizeof(announced);
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_CONTENT_LENGTH | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &announced, &announcedSize,
                            WINHTTP_NO_HEADER_INDEX) &&
        announced > m_limits.maximumBytes) {
        return refuse(tooLarge);
    }

    std::string body;
    for (;;) {
        if (overTime()) {
            return systemFailure(ERROR_WINHTTP_TIMEOUT);
        }
        DWORD available = 0;
        if (!setWaits(request.get(), stalledMs()) ||
            !WinHttpQueryDataAvailable(request.get(), &available)) {
            return systemFailure(GetLastError());
        }
        if (available == 0) {
            return body;
        }
        if (available > m_limits.maximumBytes - body.size()) {
            return refuse(tooLarge);
        }
        const std::size_t offset = body.size();
        body.resize(offset + available);
        DWORD read = 0;
        if (!WinHttpReadData(request.get(), body.data() + offset, available, &read)) {
            return systemFailure(GetLastError());
        }
        body.resize(offset + read);
    }
}

} // namespace

std::optional<std::string> downloadDocument(const std::string& url, const DownloadLimits& limits,
                                            Failure& failure)
{
    return Download(url, limits, failure).run();
}

} // namespace vimo
