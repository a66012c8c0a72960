#include "workspace/PackageInspector.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"

namespace vimo {

namespace {
// Relative to the Vimo's folder, with the system's separator as the listing has it.
const std::u16string kClientCache = u"ver1" + std::u16string{kPathSeparator} + u"VimoList.bin";

struct VerdictNames
{
    Verdict verdict;
    const char* text; // in the listing
    const char* key;  // in JSON
};

// Side by side, so that a new verdict gets both names.
constexpr VerdictNames kVerdictNames[] = {
    {Verdict::Packed, "packed", "packed"},
    {Verdict::Ignored, "ignored", "ignored"},
    {Verdict::NotAllowed, "not allowed", "notAllowed"},
    {Verdict::NameNotPossible, "name not possible on Windows", "nameNotPossible"},
    {Verdict::LinkOutside, "link outside", "linkOutside"},
    {Verdict::ClientCache, "client cache", "clientCache"},
};

const VerdictNames* namesOf(Verdict verdict)
{
    for (const VerdictNames& names : kVerdictNames) {
        if (names.verdict == verdict) {
            return &names;
        }
    }
    return nullptr;
}
} // namespace

PackageInspector::PackageInspector(const VimoWorkspace& workspace) : m_workspace(workspace) {}

PackageListing PackageInspector::inspect(const VimoInfo& info) const
{
    PackageListing listing;
    listing.folder = info.folder;
    std::u16string prefix = info.folder;
    if (prefix.empty() || prefix.back() != kPathSeparator) {
        prefix += kPathSeparator;
    }
    for (const FolderListing::Entry& entry : m_workspace.listFolderTree(info.folder).entries) {
        const std::u16string& path = entry.path;
        InspectedFile file;
        file.path = path;
        file.relative = path.starts_with(prefix) ? path.substr(prefix.size()) : path;
        FileSystem& files = m_workspace.files();
        FileStatus status;
        if (files.status(path, status) == 0 && status.isRegular()) {
            file.size = status.size;
        }
        switch (m_workspace.classifyFile(path)) {
        case FilePackable:
            file.verdict = Verdict::Packed;
            break;
        case FileIgnored:
            file.verdict = Verdict::Ignored;
            break;
        default:
            file.verdict = m_workspace.nameImpossibleOnWindows(path) ? Verdict::NameNotPossible
                                                                     : Verdict::NotAllowed;
            break;
        }
        // A link to a file elsewhere is never packed, whatever its name says.
        if (entry.leadsOutside) {
            file.verdict = Verdict::LinkOutside;
        }
        // Packing deletes the cache first, so it never counts for or against the package; the
        // client finds it in any letter case, as Windows does.
        if (equalsIgnoreAsciiCase(file.relative, kClientCache)) {
            file.verdict = Verdict::ClientCache;
        }
        if (file.verdict == Verdict::Packed) {
            ++listing.packedCount;
            listing.packedBytes += file.size.value_or(0);
        }
        listing.files.push_back(std::move(file));
    }
    return listing;
}

const char* PackageInspector::verdictText(Verdict verdict)
{
    const VerdictNames* names = namesOf(verdict);
    return names != nullptr ? names->text : "";
}

const char* PackageInspector::verdictKey(Verdict verdict)
{
    const VerdictNames* names = namesOf(verdict);
    return names != nullptr ? names->key : "";
}

} // namespace vimo
