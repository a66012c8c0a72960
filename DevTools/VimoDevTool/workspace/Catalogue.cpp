// Reading the developer's catalogue from the service folders' catalogue files.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "workspace/RecordValidator.h"
#include "workspace/VimoWorkspace.h"
#include "workspace/XmlFiles.h"

namespace vimo {

namespace {

const std::u16string kServicePrefix = u"orvo";
const std::u16string kServiceSuffix = u"Vimoz";

std::u16string lastComponent(const std::u16string& path)
{
    const std::size_t separator = path.rfind(kPathSeparator);
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

VimoInfo recordFrom(const XmlNode& vimo, const std::u16string& folder)
{
    VimoInfo info;
    info.id = vimo.attributeOrEmpty(u"id");
    info.name = vimo.attributeOrEmpty(u"name");
    info.desc = vimo.attributeOrEmpty(u"desc");
    info.width = parseLeadingInteger(vimo.attributeOrEmpty(u"width"));
    info.height = parseLeadingInteger(vimo.attributeOrEmpty(u"height"));
    info.requiresInvitation =
        equalsIgnoreAsciiCase(vimo.attributeOrEmpty(u"requiresInvitation"), u"true");
    info.isDhtml = equalsIgnoreAsciiCase(vimo.attributeOrEmpty(u"type"), u"dhtml");
    info.isDev = equalsIgnoreAsciiCase(vimo.attributeOrEmpty(u"devStatus"), u"dev");
    info.url = vimo.attributeOrEmpty(u"url");
    info.folder = folder;
    return info;
}

// The identifier in a service folder's name "orvo<id>Vimoz"; empty for any other name.
std::u16string packageIdOf(const std::u16string& folder)
{
    const std::u16string name = lastComponent(folder);
    if (name.size() < kServicePrefix.size() + kServiceSuffix.size() ||
        !name.starts_with(kServicePrefix) || !name.ends_with(kServiceSuffix)) {
        return {};
    }
    return name.substr(kServicePrefix.size(),
                       name.size() - kServicePrefix.size() - kServiceSuffix.size());
}

VimoMap filtered(const VimoMap& catalogue, bool underDevelopment)
{
    VimoMap result;
    for (const auto& [id, info] : catalogue) {
        if (info.isDev == underDevelopment) {
            result.emplace_hint(result.end(), id, info);
        }
    }
    return result;
}

} // namespace

HRESULT VimoWorkspace::loadAll()
{
    clearError();
    m_catalogue.clear();
    m_leftOutFolders.clear();
    const std::u16string services = servicesFolder();
    std::vector<DirectoryEntry> entries;
    if (files().listFolder(services, entries) != 0) {
        return S_FALSE;
    }
    m_packageMarkers.startScan(files(), packagesFolder(), m_platform.currentTime());
    for (const DirectoryEntry& entry : entries) {
        // A copy being made is filled under a temporary name and is no Vimo yet.
        if (!entry.isDirectory || temporaryFileOwner(entry.name)) {
            continue;
        }
        const std::u16string folder = services + entry.name;
        const HRESULT hr = addFromFolder(folder, m_packageMarkers.hasMarker(packageIdOf(folder)));
        if (failed(hr)) {
            return hr;
        }
    }
    return S_OK;
}

bool VimoWorkspace::hasPackageMarker(const std::u16string& folder) const
{
    const std::u16string id = packageIdOf(folder);
    if (id.empty()) {
        return false;
    }
    // The marker file can only exist inside an existing package folder, so one look suffices.
    // For one folder; a scan of them all asks m_packageMarkers.
    FileStatus marker;
    return files().status(
               files().resolveBelow(packagesFolder(), id + kPathSeparator + id + u".rmv"),
               marker) == 0;
}

HRESULT VimoWorkspace::addFromFolder(const std::u16string& folder)
{
    return addFromFolder(folder, hasPackageMarker(folder));
}

HRESULT VimoWorkspace::addFromFolder(const std::u16string& folder, bool marked)
{
    clearError();
    // A Vimo whose package carries the marker file is left out unread.
    if (marked) {
        return files().exists(catalogueFilePath(files(), folder)) ? S_OK : S_FALSE;
    }

    // The load itself tells a missing catalogue file apart; this scan runs over thousands of
    // folders, so no separate look at the file is made first. The names as written are tried
    // first; only when that file cannot be read are they looked for in other letter cases
    // (where they are found, the names as written are the ones found).
    std::u16string path = catalogueFilePathAsWritten(folder);
    XmlDocument doc(files());
    XmlNode vimo;
    Failure cause;
    HRESULT loaded = loadElement(doc, path, kCatalogueEntryPath, E_UNEXPECTED, vimo, cause);
    // Only a file that could not be read at all may be missing.
    const auto unread = [&loaded] { return loaded != E_UNEXPECTED && loaded != E_POINTER; };
    if (failed(loaded) && unread()) {
        if (std::u16string found = catalogueFilePath(files(), folder); found != path) {
            path = std::move(found);
            loaded = loadElement(doc, path, kCatalogueEntryPath, E_UNEXPECTED, vimo, cause);
        }
    }
    if (failed(loaded)) {
        return unread() && !files().exists(path) ? S_FALSE : fail(cause);
    }
    if (!equalsIgnoreAsciiCase(vimo.attributeOrEmpty(u"userCreated"), u"true")) {
        return S_FALSE;
    }
    VimoInfo info = recordFrom(vimo, folder);
    // Identifiers become folder and archive member names; checked here, once, every later
    // operation can rely on them.
    if (auto problem = RecordValidator::identifierProblem(info.id)) {
        m_leftOutFolders.push_back({folder, info.id, std::move(*problem)});
        return S_FALSE;
    }
    // Made empty and filled by moving: a scan adds thousands, each copy would show.
    const auto [stored, inserted] = m_catalogue.try_emplace(info.id);
    if (inserted || stored->second.folder == folder) {
        stored->second = std::move(info);
        return S_OK;
    }
    // Two service folders claim one identifier (say, a copy that a crash left with the published
    // Vimo's identifier): the folder named after the identifier keeps it, else the one read
    // later, as before; the other is left out and named.
    const std::u16string ruleName = kServicePrefix + info.id + kServiceSuffix;
    const bool newByRule = lastComponent(folder) == ruleName;
    const bool keepEarlier = lastComponent(stored->second.folder) == ruleName && !newByRule;
    const std::u16string& kept = keepEarlier ? stored->second.folder : folder;
    m_leftOutFolders.push_back(
        {keepEarlier ? folder : stored->second.folder, info.id,
         "the identifier is also claimed by " + toUtf8(kept) + ", which the catalogue keeps" +
             (keepEarlier || newByRule ? ": its name follows the rule orvo<identifier>Vimoz"
                                       : ": it was read later")});
    if (keepEarlier) {
        return S_FALSE;
    }
    stored->second = std::move(info);
    return S_OK;
}

HRESULT VimoWorkspace::getVimo(const std::u16string& id, VimoInfo& info) const
{
    const auto found = m_catalogue.find(id);
    if (found == m_catalogue.end()) {
        return S_FALSE;
    }
    info = found->second;
    return S_OK;
}

VimoMap VimoWorkspace::GetDevVimos() const
{
    return filtered(m_catalogue, true);
}

VimoMap VimoWorkspace::GetPublishedVimos() const
{
    return filtered(m_catalogue, false);
}

} // namespace vimo
