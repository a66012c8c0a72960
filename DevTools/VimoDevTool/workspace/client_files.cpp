// The client's own files that the tool touches: the cached Vimo list and the plug-in
// configuration of a package.

#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/VimoWorkspace.h"
#include "xml/XmlDocument.h"

#include <unistd.h>

namespace vimo {

namespace {

// A file that could not be read at all reports the system's error; one whose text is not a
// good document reports `parseFailure`.
HRESULT loadFailure(HRESULT loaded, HRESULT parseFailure)
{
    return loaded == E_FAIL || succeeded(loaded) ? parseFailure : loaded;
}

} // namespace

HRESULT VimoWorkspace::removeVimoListCache(const std::u16string& id)
{
    const auto stored = m_catalogue.find(id);
    if (stored == m_catalogue.end()) {
        return S_FALSE;
    }
    const std::u16string cache =
        withTrailingBackslash(stored->second.folder) + u"ver1" + kPathSeparator + u"VimoList.bin";
    if (pathExists(cache)) {
        // A file that cannot be deleted simply stays; the client rebuilds a stale cache anyway.
        // unlink never removes a folder that happens to carry the name.
        (void)::unlink(toFsPath(cache).c_str());
    }
    return S_OK;
}

HRESULT VimoWorkspace::disableReload(const std::u16string& packageFolder)
{
    const std::u16string path =
        packageFolder + kPathSeparator + u"Vimoz" + kPathSeparator + u"VimoConfig.xml";
    if (!pathExists(path)) {
        return E_FAIL;
    }
    XmlDocument doc;
    if (const HRESULT loaded = doc.loadFile(path); failed(loaded) || doc.parseError() != 0) {
        return loadFailure(loaded, E_FAIL);
    }
    const XmlNode root = doc.documentElement();
    if (!root) {
        return E_POINTER;
    }
    XmlNode settings = root.selectSingleNode(u"//r/is");
    if (!settings) {
        return E_POINTER;
    }

    bool matched = false;
    for (XmlNode setting : settings.selectNodes(u"i")) {
        if (!equalsIgnoreAsciiCase(setting.attributeOrEmpty(u"Key"), u"EnableReload")) {
            continue;
        }
        // Removed first so that the new value stands after the element's other attributes.
        if (failed(setting.removeAttribute(u"Value"))) {
            return E_FAIL;
        }
        setting.setAttribute(u"Value", u"0");
        matched = true;
    }
    if (!matched) {
        XmlNode setting = settings.appendElement(u"i");
        if (!setting) {
            return E_FAIL;
        }
        setting.setAttribute(u"Key", u"EnableReload");
        setting.setAttribute(u"Value", u"0");
    }
    return doc.save(path);
}

} // namespace vimo
