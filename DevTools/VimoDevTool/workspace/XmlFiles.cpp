#include "workspace/XmlFiles.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace vimo {

namespace {

const std::u16string kCatalogueFileBelowService =
    std::u16string(u"ver1") + kPathSeparator + u"VimozList.xml";

} // namespace

std::u16string catalogueFilePath(FileSystem& files, const std::u16string& serviceFolder)
{
    return files.resolveBelow(serviceFolder, kCatalogueFileBelowService);
}

std::u16string catalogueFilePathAsWritten(const std::u16string& serviceFolder)
{
    if (serviceFolder.empty() || serviceFolder.back() == kPathSeparator) {
        return serviceFolder + kCatalogueFileBelowService;
    }
    return serviceFolder + kPathSeparator + kCatalogueFileBelowService;
}

HRESULT loadElement(XmlDocument& doc, const std::u16string& path, const std::u16string& xpath,
                    HRESULT parseFailure, XmlNode& element, Failure& cause)
{
    if (const HRESULT loaded = doc.loadFile(path); failed(loaded) || doc.parseError() != 0) {
        // E_FAIL is the parser's verdict on the text; anything else is the system's error.
        cause = doc.failure();
        cause.code = loaded == E_FAIL || succeeded(loaded) ? parseFailure : loaded;
        return cause.code;
    }
    const XmlNode root = doc.documentElement();
    element = root ? root.selectSingleNode(xpath) : XmlNode();
    if (!element) {
        cause =
            Failure{E_POINTER, path,
                    root ? "there is no element at " + toUtf8(xpath) : "there is no root element"};
        return E_POINTER;
    }
    return S_OK;
}

} // namespace vimo
