// The client's own files that the tool touches: the cached Vimo list and the plug-in
// configuration of a package.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/TemporaryFiles.h"
#include "workspace/VimoWorkspace.h"
#include "workspace/XmlFiles.h"

namespace vimo {

HRESULT VimoWorkspace::removeVimoListCache(const std::u16string& id)
{
    clearError();
    const auto stored = m_catalogue.find(id);
    if (stored == m_catalogue.end()) {
        return S_FALSE;
    }
    const std::u16string cache = files().resolveBelow(
        stored->second.folder, std::u16string(u"ver1") + kPathSeparator + u"VimoList.bin");
    if (files().exists(cache)) {
        // A file that cannot be deleted simply stays; the client rebuilds a stale cache anyway.
        // A folder that happens to carry the name is never removed.
        (void)files().removeFile(cache);
    }
    return S_OK;
}

HRESULT VimoWorkspace::disableReload(const std::u16string& packageFolder)
{
    clearError();
    const std::u16string path = files().resolveBelow(
        packageFolder, std::u16string(u"Vimoz") + kPathSeparator + u"VimoConfig.xml");
    if (!files().exists(path)) {
        return fail(E_FAIL, path, "the plug-in configuration does not exist");
    }
    XmlDocument doc(files());
    XmlNode settings;
    Failure cause;
    if (failed(loadElement(doc, path, u"//r/is", E_FAIL, settings, cause))) {
        return fail(cause);
    }

    bool matched = false;
    for (XmlNode setting : settings.selectNodes(u"i")) {
        if (!equalsIgnoreAsciiCase(setting.attributeOrEmpty(u"Key"), u"EnableReload")) {
            continue;
        }
        // Removed first so that the new value stands after the element's other attributes.
        if (failed(setting.removeAttribute(u"Value"))) {
            return fail(E_FAIL, path, "the old Value of EnableReload cannot be removed");
        }
        setting.setAttribute(u"Value", u"0");
        matched = true;
    }
    if (!matched) {
        XmlNode setting = settings.appendElement(u"i");
        if (!setting) {
            return fail(E_FAIL, path, "the setting EnableReload cannot be added");
        }
        setting.setAttribute(u"Key", u"EnableReload");
        setting.setAttribute(u"Value", u"0");
    }
    removeStaleTemporaries(files(), path);
    return failed(doc.save(path)) ? fail(doc.failure()) : S_OK;
}

} // namespace vimo
