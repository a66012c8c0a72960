// Writing catalogue entries back into their service folders' catalogue files.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/TemporaryFiles.h"
#include "workspace/VimoWorkspace.h"
#include "workspace/XmlFiles.h"

#include <optional>
#include <utility>

namespace vimo {

namespace {

// Sets every attribute that a record owns in the file; a failed set does not stop the others.
void writeRecordAttributes(XmlNode& vimo, const VimoInfo& info)
{
    vimo.setAttribute(u"name", info.name);
    vimo.setAttribute(u"desc", info.desc);
    vimo.setAttribute(u"width", toDecimal(info.width));
    vimo.setAttribute(u"height", toDecimal(info.height));
    vimo.setAttribute(u"url", info.url);
    vimo.setAttribute(u"requiresInvitation", info.requiresInvitation ? u"true" : u"false");
    vimo.setAttribute(u"type", info.isDhtml ? u"dhtml" : u"localDhtml");
    vimo.setAttribute(u"devStatus", info.isDev ? u"dev" : u"deployed");
}

// The first text of the record that an XML file cannot hold, named for the developer.
std::optional<std::string> unwritableField(const VimoInfo& info)
{
    const std::pair<const char*, const std::u16string*> fields[] = {
        {"name", &info.name}, {"description", &info.desc}, {"address", &info.url}};
    for (const auto& [field, value] : fields) {
        if (auto where = unwritableCharacter(*value)) {
            return "the " + std::string(field) + " holds " + *where +
                   ", which an XML file cannot hold";
        }
    }
    return std::nullopt;
}

} // namespace

HRESULT VimoWorkspace::writeVimo(const std::u16string& id, const VimoInfo& info)
{
    clearError();
    const auto stored = m_catalogue.find(id);
    if (stored == m_catalogue.end()) {
        return S_FALSE;
    }
    const std::u16string path = catalogueFilePath(files(), stored->second.folder);
    // Such a text would make the file unreadable, and with it every later start.
    if (auto problem = unwritableField(info)) {
        return fail(E_INVALIDARG, path, *problem);
    }
    if (!files().exists(path)) {
        return fail(E_FAIL, path, "the catalogue file does not exist");
    }

    XmlDocument doc(files());
    XmlNode vimo;
    Failure cause;
    if (failed(loadElement(doc, path, kCatalogueEntryPath, E_FAIL, vimo, cause))) {
        return fail(cause);
    }
    writeRecordAttributes(vimo, info);
    if (failed(vimo.removeAttribute(u"pluginKey"))) {
        return fail(E_FAIL, path, "the attribute pluginKey cannot be removed");
    }
    // What killed saves left beside the file goes before this one adds its own.
    removeStaleTemporaries(files(), path);
    if (failed(doc.save(path))) {
        return fail(doc.failure());
    }
    // Only a record that reached the file replaces the one in memory, so that the two never
    // disagree after a failed write.
    stored->second = info;
    return S_OK;
}

HRESULT VimoWorkspace::markUnderDevelopment(const std::u16string& id)
{
    clearError();
    const auto stored = m_catalogue.find(id);
    if (stored == m_catalogue.end()) {
        return S_FALSE;
    }
    VimoInfo info = stored->second;
    info.isDev = true;
    info.id = id;
    return writeVimo(id, info);
}

HRESULT VimoWorkspace::setCatalogueId(const std::u16string& newId, const std::u16string& folder)
{
    clearError();
    const std::u16string path = catalogueFilePath(files(), folder);
    if (!files().exists(path)) {
        return S_FALSE;
    }
    XmlDocument doc(files());
    XmlNode vimo;
    Failure cause;
    if (failed(loadElement(doc, path, kCatalogueEntryPath, E_UNEXPECTED, vimo, cause))) {
        return fail(cause);
    }
    if (failed(vimo.setAttribute(u"id", newId))) {
        return fail(E_INVALIDARG, path, "the identifier cannot be written into the file");
    }
    removeStaleTemporaries(files(), path);
    return failed(doc.save(path)) ? fail(doc.failure()) : S_OK;
}

} // namespace vimo
