// The vendor's developer configuration: downloaded once at start-up and kept for the run.

#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"
#include "xml/XmlDocument.h"

#include <curl/curl.h>

#include <memory>
#include <optional>
#include <string>

namespace vimo {

namespace {

const char16_t* const kDefaultDeveloperServer = u"http://developer.orvo.com";
const char16_t* const kDefaultContentServer = u"http://www.orvo.com";
const char16_t* const kConfigurationPath = u"/pages/xml/openvimoz_conf.xml";
const char16_t* const kTemplatePath = u"/template_vimo/index.vimo";

constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
constexpr long kMaxRedirects = 5;
constexpr std::int32_t kDefaultNameLengthLimit = 100;
constexpr std::int32_t kDefaultDescLengthLimit = 1024;

// A base address from the environment, or the built-in one; without a trailing "/".
std::u16string serverBase(const Platform& platform, const char* variable, const char16_t* fallback)
{
    std::u16string base = fallback;
    if (auto value = platform.environment(variable); value && !value->empty()) {
        base = fromUtf8(*value);
    }
    while (!base.empty() && base.back() == u'/') {
        base.pop_back();
    }
    return base;
}

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
    bool tooLarge = false;
};

std::size_t collectAnswer(char* data, std::size_t size, std::size_t count, void* userData)
{
    auto* answer = static_cast<Answer*>(userData);
    const std::size_t bytes = size * count;
    if (bytes > kMaxAnswerBytes - answer->body.size()) {
        answer->tooLarge = true;
        return 0; // a short count makes libcurl abort the transfer
    }
    answer->body.append(data, bytes);
    return bytes;
}

// The whole document at `url`, or nothing when the transfer failed, took too long, ended with
// an HTTP error status or was too large; `reason` then says which, in words.
std::optional<std::string> download(const std::string& url, long connectTimeoutMs,
                                    long totalTimeoutMs, std::string& reason)
{
    initialiseCurlOnce();
    CurlEasy curl(curl_easy_init());
    if (!curl) {
        reason = "the download cannot be prepared";
        return std::nullopt;
    }
    Answer answer;
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
        curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, connectTimeoutMs) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, totalTimeoutMs) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(kMaxAnswerBytes)) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, &collectAnswer) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer) == CURLE_OK &&
        curl_easy_setopt(handle, CURLOPT_USERAGENT, "VimoDevTool/1.0") == CURLE_OK;
    if (!configured) {
        reason = "the download cannot be prepared";
        return std::nullopt;
    }
    const CURLcode result = curl_easy_perform(handle);
    if (answer.tooLarge || result == CURLE_FILESIZE_EXCEEDED) {
        reason = "the answer is larger than " + groupDigits(kMaxAnswerBytes) + " bytes";
        return std::nullopt;
    }
    if (result != CURLE_OK) {
        // libcurl's own detail (refused, timed out, host unknown) is more telling than its
        // general text for the code.
        reason = curlError[0] != '\0' ? curlError : curl_easy_strerror(result);
        return std::nullopt;
    }
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) {
        reason = "the answer carries no HTTP status";
        return std::nullopt;
    }
    if (status >= 400) {
        reason = "the server answered with HTTP status " + std::to_string(status);
        return std::nullopt;
    }
    return std::move(answer.body);
}

// Adds the non-empty "value" of every child element of `list` to `set`; other children (text,
// comments) and children without a value are skipped.
void addChildValues(const XmlNode& list, StringSet& set)
{
    for (const XmlNode& child : list.childNodes()) {
        if (!child.isElement()) {
            continue;
        }
        std::u16string value = child.attributeOrEmpty(u"value");
        if (!value.empty()) {
            set.insert(std::move(value));
        }
    }
}

} // namespace

HRESULT VimoWorkspace::loadDeveloperConfiguration()
{
    clearError();
    const std::u16string url = developerServer() + kConfigurationPath;
    std::string reason;
    const std::optional<std::string> body =
        download(toUtf8(url), m_connectTimeoutMs, m_totalTimeoutMs, reason);
    if (!body) {
        return fail(E_UNEXPECTED, url, reason);
    }
    XmlDocument document;
    if (failed(document.loadMemory(*body, toUtf8(url))) || document.parseError() != 0) {
        return fail(E_UNEXPECTED, url, document.failure().reason);
    }
    const XmlNode root = document.documentElement();
    if (!root) {
        return fail(E_POINTER, url, "the document has no root element");
    }
    const auto missing = [&](const char* path) {
        return fail(E_POINTER, url, std::string("the document has no element at ") + path);
    };

    // The order of the steps decides what a failed load leaves behind; start-up ends on any
    // failure, so nothing reads such a partial state.
    const XmlNode extensions = root.selectSingleNode(u"//confList/extensions");
    if (!extensions) {
        return missing("//confList/extensions");
    }
    addChildValues(extensions, m_configuration.allowedExtensions);

    const XmlNode general = root.selectSingleNode(u"//confList/generalConfig");
    if (!general) {
        return missing("//confList/generalConfig");
    }
    const XmlNode nameLimit = general.selectSingleNode(u"vimoNameLengthLimit");
    if (!nameLimit) {
        return missing("//confList/generalConfig/vimoNameLengthLimit");
    }
    const std::int32_t name = parseLeadingInteger(nameLimit.attributeOrEmpty(u"value"));
    m_configuration.nameLengthLimit = name != 0 ? name : kDefaultNameLengthLimit;

    const XmlNode descLimit = general.selectSingleNode(u"vimoDescLengthLimit");
    if (!descLimit) {
        return missing("//confList/generalConfig/vimoDescLengthLimit");
    }
    const std::int32_t desc = parseLeadingInteger(descLimit.attributeOrEmpty(u"value"));
    m_configuration.descLengthLimit = desc != 0 ? desc : kDefaultDescLengthLimit;

    const XmlNode mainFile = general.selectSingleNode(u"localVimoMainFile");
    if (!mainFile) {
        return missing("//confList/generalConfig/localVimoMainFile");
    }
    m_configuration.localMainFileUrl = mainFile.attributeOrEmpty(u"value");
    if (m_configuration.localMainFileUrl.empty()) {
        m_configuration.localMainFileUrl = developerServer() + kTemplatePath;
    }

    const XmlNode ignored = root.selectSingleNode(u"//confList/filesToIgnore");
    if (!ignored) {
        return missing("//confList/filesToIgnore");
    }
    addChildValues(ignored, m_configuration.ignoredFiles);
    return S_OK;
}

std::u16string VimoWorkspace::developerServer() const
{
    return serverBase(m_platform, "ORVO_DEVELOPER_SERVER", kDefaultDeveloperServer);
}

std::u16string VimoWorkspace::contentServer() const
{
    return serverBase(m_platform, "ORVO_CONTENT_SERVER", kDefaultContentServer);
}

void VimoWorkspace::setConfiguration(const DeveloperConfiguration& configuration)
{
    m_configuration = configuration;
}

void VimoWorkspace::setDownloadTimeouts(long connectMilliseconds, long totalMilliseconds)
{
    m_connectTimeoutMs = connectMilliseconds;
    m_totalTimeoutMs = totalMilliseconds;
}

} // namespace vimo
