// The adapter over libcurl: the only file that knows it.

#include "platform/HttpDownload.h"

#include "Version.h"
#include "platform/Text.h"

#include <curl/curl.h>

#include <memory>

namespace vimo {

namespace {

constexpr long kMaxRedirects = 5;

void initialiseCurlOnce()
{
    // curl_global_init is not thread-safe itself; a function-local static makes the one call so.
    static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
    (void)initialised;
}

struct CurlEasyDeleter
{
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

struct Answer
{
    std::string body;
    std::size_t limit = 0;
    bool tooLarge = false;
};

std::size_t collectAnswer(char* data, std::size_t size, std::size_t count, void* userData)
{
    auto* answer = static_cast<Answer*>(userData);
    const std::size_t bytes = size * count;
    if (bytes > answer->limit - answer->body.size()) {
        answer->tooLarge = true;
        return 0; // a short count makes libcurl abort the transfer
    }
    answer->body.append(data, bytes);
    return bytes;
}

std::optional<std::string> refuse(const std::string& url, std::string reason, Failure& failure)
{
    failure = Failure{E_UNEXPECTED, fromUtf8(url), std::move(reason)};
    return std::nullopt;
}

} // namespace

std::optional<std::string> downloadDocument(const std::string& url, const DownloadLimits& limits,
                                            Failure& failure)
{
    initialiseCurlOnce();
    CurlEasy curl(curl_easy_init());
    if (!curl) {
        return refuse(url, "the download cannot be prepared", failure);
    }
    Answer answer;
    answer.limit = limits.maximumBytes;
    char curlError[CURL_ERROR_SIZE] = {};
    CURL* handle = curl.get();
    bool configured =
        curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, curlError) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, limits.connectTimeoutMs) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, limits.totalTimeoutMs) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, limits.stallTimeoutSeconds) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(limits.maximumBytes)) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &collectAnswer) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_USERAGENT, VIMO_PROGRAM_NAME "/" VIMO_VERSION) == CURLE_OK;
    if (!configured) {
        return refuse(url, "the download cannot be prepared", failure);
    }
    const CURLcode performed = curl_easy_perform(handle);
    if (answer.tooLarge || performed == CURLE_FILESIZE_EXCEEDED) {
        return refuse(url,
                      "the answer is larger than " + groupDigits(limits.maximumBytes) + " bytes",
                      failure);
    }
    if (performed != CURLE_OK) {
        // libcurl's own detail (refused, timed out, host unknown) is more telling than its
        // general text for the code.
        return refuse(url, curlError[0] != '\0' ? curlError : curl_easy_strerror(performed),
                      failure);
    }
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
        return refuse(url, "the answer carries no HTTP status", failure);
    }
    if (status >= 400) {
        return refuse(url, "the server answered with HTTP status " + std::to_string(status),
                      failure);
    }
    return std::move(answer.body);
}

} // namespace vimo
