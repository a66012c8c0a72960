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
// an HTTP error status or was too large.
std::optional<std::string> download(const std::string& url, long connectTimeoutMs,
                                    long totalTimeoutMs)
{
    initialiseCurlOnce();
    CurlEasy curl(curl_easy_init());
    if (!curl) {
        return std::nullopt;
    }
    Answer answer;
    CURL* handle = curl.get();
    bool configured =
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
        return std::nullopt;
    }
    if (curl_easy_perform(handle) != CURLE_OK || answer.tooLarge) {
        return std::nullopt;
    }
    long status = 0;
    if (curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status >= 400) {
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
    const std::u16string url = developerServer() + kConfigurationPath;
    const std::optional<std::string> body =
        download(toUtf8(url), m_connectTimeoutMs, m_totalTimeoutMs);
    if (!body) {
        return E_UNEXPECTED;
    }
    XmlDocument document;
    if (failed(document.loadMemory(*body, toUtf8(url))) || document.parseError() != 0) {
        return E_UNEXPECTED;
    }
    const XmlNode root = document.documentElement();
    if (!root) {
        return E_POINTER;
    }

    // The order of the steps decides what a failed load leaves behind; start-up ends on any
    // failure, so nothing reads such a partial state.
    const XmlNode extensions = root.selectSingleNode(u"//confList/extensions");
    if (!extensions) {
        return E_POINTER;
    }
    addChildValues(extensions, m_configuration.allowedExtensions);

    const XmlNode general = root.selectSingleNode(u"//confList/generalConfig");
    if (!general) {
        return E_POINTER;
    }
    const XmlNode nameLimit = general.selectSingleNode(u"vimoNameLengthLimit");
    if (!nameLimit) {
        return E_POINTER;
    }
    const std::int32_t name = parseLeadingInteger(nameLimit.attributeOrEmpty(u"value"));
    m_configuration.nameLengthLimit = name != 0 ? name : kDefaultNameLengthLimit;

    const XmlNode descLimit = general.selectSingleNode(u"vimoDescLengthLimit");
    if (!descLimit) {
        return E_POINTER;
    }
    const std::int32_t desc = parseLeadingInteger(descLimit.attributeOrEmpty(u"value"));
    m_configuration.descLengthLimit = desc != 0 ? desc : kDefaultDescLengthLimit;

    const XmlNode mainFile = general.selectSingleNode(u"localVimoMainFile");
    if (!mainFile) {
        return E_POINTER;
    }
    m_configuration.localMainFileUrl = mainFile.attributeOrEmpty(u"value");
    if (m_configuration.localMainFileUrl.empty()) {
        m_configuration.localMainFileUrl = developerServer() + kTemplatePath;
    }

    const XmlNode ignored = root.selectSingleNode(u"//confList/filesToIgnore");
    if (!ignored) {
        return E_POINTER;
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
