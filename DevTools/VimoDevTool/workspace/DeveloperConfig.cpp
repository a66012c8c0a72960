// The vendor's developer configuration: downloaded once at start-up and kept for the run.

#include "workspace/DeveloperConfig.h"

#include "platform/HttpDownload.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"
#include "xml/XmlDocument.h"

#include <optional>
#include <string>

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

// The element at `path` below `from`; a null node and `failure` set when there is none.
// `fullPath` names it in the failure.
XmlNode required(const XmlNode& from, const std::u16string& path, const char* fullPath,
                 const std::u16string& source, Failure& failure)
{
    const XmlNode node = from.selectSingleNode(path);
    if (!node) {
        failure =
            Failure{E_POINTER, source, std::string("the document has no element at ") + fullPath};
    }
    return node;
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
    const XmlNode extensions =
        required(root, u"//confList/extensions", "//confList/extensions", source, failure);
    if (!extensions) {
        return failure.code;
    }
    addChildValues(extensions, configuration.allowedExtensions);

    const XmlNode general =
        required(root, u"//confList/generalConfig", "//confList/generalConfig", source, failure);
    if (!general) {
        return failure.code;
    }
    const XmlNode nameLimit =
        required(general, u"vimoNameLengthLimit", "//confList/generalConfig/vimoNameLengthLimit",
                 source, failure);
    if (!nameLimit) {
        return failure.code;
    }
    const std::int32_t name = parseLeadingInteger(nameLimit.attributeOrEmpty(u"value"));
    configuration.nameLengthLimit = name != 0 ? name : kDefaultNameLengthLimit;

    const XmlNode descLimit =
        required(general, u"vimoDescLengthLimit", "//confList/generalConfig/vimoDescLengthLimit",
                 source, failure);
    if (!descLimit) {
        return failure.code;
    }
    const std::int32_t desc = parseLeadingInteger(descLimit.attributeOrEmpty(u"value"));
    configuration.descLengthLimit = desc != 0 ? desc : kDefaultDescLengthLimit;

    const XmlNode mainFile =
        required(general, u"localVimoMainFile", "//confList/generalConfig/localVimoMainFile",
                 source, failure);
    if (!mainFile) {
        return failure.code;
    }
    configuration.localMainFileUrl = mainFile.attributeOrEmpty(u"value");
    if (configuration.localMainFileUrl.empty()) {
        configuration.localMainFileUrl = defaultMainFileUrl;
    }

    const XmlNode ignored =
        required(root, u"//confList/filesToIgnore", "//confList/filesToIgnore", source, failure);
    if (!ignored) {
        return failure.code;
    }
    addChildValues(ignored, configuration.ignoredFiles);
    return S_OK;
}

HRESULT VimoWorkspace::loadDeveloperConfiguration()
{
    clearError();
    const std::u16string url = developerServer() + kConfigurationPath;
    Failure failure;
    const std::optional<std::string> body =
        downloadDocument(toUtf8(url),
                         DownloadLimits{m_connectTimeoutMs, m_totalTimeoutMs, kMaxAnswerBytes,
                                        m_stallTimeoutSeconds},
                         failure);
    if (!body) {
        return fail(failure);
    }
    if (failed(parseDeveloperConfiguration(*body, url, developerServer() + kTemplatePath,
                                           m_configuration, failure))) {
        return fail(failure);
    }
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

void VimoWorkspace::setDownloadTimeouts(long connectMilliseconds, long totalMilliseconds,
                                        long stallSeconds)
{
    m_connectTimeoutMs = connectMilliseconds;
    m_totalTimeoutMs = totalMilliseconds;
    m_stallTimeoutSeconds = stallSeconds;
}

} // namespace vimo
