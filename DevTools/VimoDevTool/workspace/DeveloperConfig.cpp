// The vendor's developer configuration: downloaded once at start-up and kept for the run.

#include "workspace/DeveloperConfig.h"

#include "platform/HttpDownload.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"
#include "xml/XmlDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace vimo {

namespace {

const char16_t* const kDefaultDeveloperServer = u"http://developer.orvo.com";
const char16_t* const kDefaultContentServer = u"http://www.orvo.com";
const char16_t* const kConfigurationPath = u"/pages/xml/openvimoz_conf.xml";
const char16_t* const kTemplatePath = u"/template_vimo/index.vimo";

constexpr std::size_t kMaxAnswerBytes = 1024 * 1024;
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

// The element at `path` below `from`, which lies at `within` (empty for the root); a null node
// and `failure` set, naming the element's full path, when there is none.
XmlNode required(const XmlNode& from, std::string_view within, std::string_view path,
                 const std::u16string& source, Failure& failure)
{
    const XmlNode node = from.selectSingleNode(fromUtf8(path));
    if (!node) {
        const std::string fullPath =
            within.empty() ? std::string(path) : std::string(within) + "/" + std::string(path);
        failure = Failure{E_POINTER, source, "the document has no element at " + fullPath};
    }
    return node;
}

// A length limit from the "value" of `node`; `fallback` when it gives no number but 0.
std::int32_t lengthLimit(const XmlNode& node, std::int32_t fallback)
{
    const std::int32_t limit = parseLeadingInteger(node.attributeOrEmpty(u"value"));
    return limit != 0 ? limit : fallback;
}

} // namespace

HRESULT parseDeveloperConfiguration(const std::string& bytes, const std::u16string& source,
                                    const std::u16string& defaultMainFileUrl,
                                    DeveloperConfiguration& configuration, Failure& failure)
{
    XmlDocument document;
    if (failed(document.loadMemory(bytes, toUtf8(source))) || document.parseError() != 0) {
        failure = Failure{E_UNEXPECTED, source, document.failure().reason};
        return failure.code;
    }
    const XmlNode root = document.documentElement();
    if (!root) {
        failure = Failure{E_POINTER, source, "the document has no root element"};
        return failure.code;
    }

    // The order of the steps decides what a failed load leaves behind; start-up ends on any
    // failure, so nothing reads such a partial state.
    constexpr std::string_view kGeneral = "//confList/generalConfig";
    const auto find = [&](const XmlNode& from, std::string_view within, std::string_view path) {
        return required(from, within, path, source, failure);
    };
    const XmlNode extensions = find(root, {}, "//confList/extensions");
    if (!extensions) {
        return failure.code;
    }
    addChildValues(extensions, configuration.allowedExtensions);

    const XmlNode general = find(root, {}, kGeneral);
    if (!general) {
        return failure.code;
    }
    const XmlNode nameLimit = find(general, kGeneral, "vimoNameLengthLimit");
    if (!nameLimit) {
        return failure.code;
    }
    configuration.nameLengthLimit = lengthLimit(nameLimit, kDefaultNameLengthLimit);

    const XmlNode descLimit = find(general, kGeneral, "vimoDescLengthLimit");
    if (!descLimit) {
        return failure.code;
    }
    configuration.descLengthLimit = lengthLimit(descLimit, kDefaultDescLengthLimit);

    const XmlNode mainFile = find(general, kGeneral, "localVimoMainFile");
    if (!mainFile) {
        return failure.code;
    }
    configuration.localMainFileUrl = mainFile.attributeOrEmpty(u"value");
    if (configuration.localMainFileUrl.empty()) {
        configuration.localMainFileUrl = defaultMainFileUrl;
    }

    const XmlNode ignored = find(root, {}, "//confList/filesToIgnore");
    if (!ignored) {
        return failure.code;
    }
    addChildValues(ignored, configuration.ignoredFiles);
    return S_OK;
}

HRESULT VimoWorkspace::loadDeveloperConfiguration()
{
    std::optional<std::string> downloaded;
    return loadDeveloperConfiguration(downloaded);
}

HRESULT VimoWorkspace::loadDeveloperConfiguration(std::optional<std::string>& downloaded)
{
    clearError();
    const std::u16string url = developerConfigurationUrl();
    Failure failure;
    downloaded = downloadDocument(toUtf8(url),
                                  DownloadLimits{m_connectTimeoutMs, m_totalTimeoutMs,
                                                 kMaxAnswerBytes, m_stallTimeoutSeconds},
                                  failure);
    if (!downloaded) {
        return fail(failure);
    }
    if (failed(parseDeveloperConfiguration(*downloaded, url, developerServer() + kTemplatePath,
                                           m_configuration, failure))) {
        return fail(failure);
    }
    return S_OK;
}

HRESULT VimoWorkspace::readDeveloperConfiguration(const std::string& bytes,
                                                  const std::u16string& source)
{
    clearError();
    DeveloperConfiguration configuration;
    Failure failure;
    if (failed(parseDeveloperConfiguration(bytes, source, developerServer() + kTemplatePath,
                                           configuration, failure))) {
        return fail(failure);
    }
    m_configuration = std::move(configuration);
    return S_OK;
}

std::u16string VimoWorkspace::developerConfigurationUrl() const
{
    return developerServer() + kConfigurationPath;
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

void VimoWorkspace::setDownloadTimeouts(long connectMilliseconds, long totalMilliseconds,
                                        long stallSeconds)
{
    m_connectTimeoutMs = connectMilliseconds;
    m_totalTimeoutMs = totalMilliseconds;
    m_stallTimeoutSeconds = stallSeconds;
}

} // namespace vimo
