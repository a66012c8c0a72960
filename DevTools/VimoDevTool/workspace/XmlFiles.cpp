#include "workspace/XmlFiles.h"

#include "platform/Paths.h"

namespace vimo {

std::u16string catalogueFilePath(const std::u16string& serviceFolder)
{
    return serviceFolder + kPathSeparator + u"ver1" + kPathSeparator + u"VimozList.xml";
}

HRESULT loadElement(XmlDocument& doc, const std::u16string& path, const std::u16string& xpath,
                    HRESULT parseFailure, XmlNode& element)
{
    if (const HRESULT loaded = doc.loadFile(path); failed(loaded) || doc.parseError() != 0) {
        // E_FAIL is the parser's verdict on the text; anything else is the system's error.
        return loaded == E_FAIL || succeeded(loaded) ? parseFailure : loaded;
    }
    const XmlNode root = doc.documentElement();
    if (!root) {
        return E_POINTER;
    }
    element = root.selectSingleNode(xpath);
    return element ? S_OK : E_POINTER;
}

} // namespace vimo
