#include "workspace/UploadChecks.h"

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "workspace/PackageInspector.h"
#include "workspace/RecordValidator.h"
#include "workspace/TemporaryFiles.h"
#include "workspace/XmlFiles.h"
#include "xml/XmlDocument.h"

#include <algorithm>
#include <array>
#include <optional>

namespace vimo {

namespace {

const std::u16string kCatalogueFile = u"ver1/VimozList.xml";
// The attributes the tool reads or writes; a save must give every one of them back unchanged.
const std::array<std::u16string, 11> kAttributes = {
    u"id",   u"name",      u"desc",        u"width",    u"height", u"url", u"requiresInvitation",
    u"type", u"devStatus", u"userCreated", u"pluginKey"};

using Attributes = std::array<std::optional<std::u16string>, 11>;

Attributes readAttributes(const XmlNode& entry)
{
    Attributes values;
    for (std::size_t i = 0; i < kAttributes.size(); ++i) {
        values[i] = entry.attribute(kAttributes[i]);
    }
    return values;
}

// A folder of our own under the system's temporary folder, removed with its contents.
class ScratchFolder
{
public:
    explicit ScratchFolder(FileSystem& files) : m_files(files)
    {
        if (m_files.createTemporaryFolder(u"vimoctl-", m_path) != 0) {
            m_path.clear();
        }
    }
    ~ScratchFolder()
    {
        if (!m_path.empty()) {
            removeTree(m_files, m_path);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::u16string& path() const { return m_path; }

private:
    FileSystem& m_files;
    std::u16string m_path;
};

} // namespace

UploadChecks::UploadChecks(const VimoWorkspace& workspace) : m_workspace(workspace) {}

std::vector<CheckResult> UploadChecks::run(const VimoInfo& info) const
{
    std::vector<CheckResult> results;
    checkCatalogueFile(info, results);
    checkRecord(info, results);
    checkFolders(info, results);
    checkFiles(info, results);
    checkLinks(info, results);
    checkIdentifier(info, results);
    return results;
}

void UploadChecks::checkCatalogueFile(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    CheckResult result{"catalogue", kCatalogueFile, false, {}};
    const std::u16string path = catalogueFilePath(m_workspace.files(), info.folder);
    XmlDocument document(m_workspace.files());
    if (failed(document.loadFile(path))) {
        result.sentence = "The catalogue file does not parse: " + document.errorMessage();
        results.push_back(result);
        return;
    }
    const XmlNode entry = document.documentElement().selectSingleNode(kCatalogueEntryPath);
    if (!entry) {
        result.sentence = "The catalogue file has no vimozList/vimoz/vimo element.";
        results.push_back(result);
        return;
    }
    const Attributes before = readAttributes(entry);

    // Save a copy elsewhere and read it back: the file must survive the tool's own writes.
    ScratchFolder scratch(m_workspace.files());
    if (scratch.path().empty()) {
        result.sentence = "No temporary folder to save a copy of the catalogue file in.";
        results.push_back(result);
        return;
    }
    // The copy stands in a service folder of its own, so that the catalogue reader can take it;
    // a fixed name, as an identifier may hold anything, separators included.
    const std::u16string copyFolder = scratch.path() + kPathSeparator + u"orvocheckVimoz";
    const std::u16string versionFolder = copyFolder + kPathSeparator + u"ver1";
    const std::u16string copyPath = versionFolder + kPathSeparator + u"VimozList.xml";
    m_workspace.files().createFolder(copyFolder);
    m_workspace.files().createFolder(versionFolder);
    XmlDocument reloaded(m_workspace.files());
    if (failed(document.save(copyPath)) || failed(reloaded.loadFile(copyPath))) {
        result.sentence =
            "The catalogue file does not read back after saving: " + reloaded.errorMessage();
        results.push_back(result);
        return;
    }
    const XmlNode entryAgain = reloaded.documentElement().selectSingleNode(kCatalogueEntryPath);
    VimoWorkspace reader(m_workspace.platform());
    reader.setInstallFolder(scratch.path());
    VimoInfo readBack;
    const bool taken =
        succeeded(reader.addFromFolder(copyFolder)) && reader.getVimo(info.id, readBack) == S_OK;
    readBack.folder = info.folder;
    if (!entryAgain || readAttributes(entryAgain) != before) {
        result.sentence = "The catalogue file reads back differently after saving.";
    } else if (!taken || !(readBack == info)) {
        result.sentence = "The catalogue file no longer holds the entry that vimoctl read.";
    } else {
        result.passed = true;
        result.sentence = "The catalogue file parses and reads back the same after saving.";
    }
    results.push_back(result);
}

void UploadChecks::checkRecord(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    const RecordValidator validator(m_workspace.configuration());
    auto add = [&](const char* check, std::optional<std::string> problem, std::string fine) {
        const bool passed = !problem;
        results.push_back({check, kCatalogueFile, passed, passed ? std::move(fine) : *problem});
    };
    auto problem = validator.nameProblem(info.name);
    if (!problem) {
        problem = validator.nameLengthProblem(info.name);
    }
    add("name", problem, "The name is not empty and within the length limit.");
    add("desc", validator.descLengthProblem(info.desc),
        "The description is within the length limit.");
    add("width", RecordValidator::widthProblem(info.width),
        "The width of " + std::to_string(info.width) + " pixels is within 1 to 1024.");
    add("height", RecordValidator::heightProblem(info.height),
        "The height of " + std::to_string(info.height) + " pixels is within 1 to 768.");
    if (info.isDhtml) {
        add("url", RecordValidator::webAddressProblem(info.url),
            "The web address is an absolute http or https address.");
    } else {
        add("url", std::nullopt, "A local Vimo; its main file needs no web address.");
    }
}

void UploadChecks::checkFolders(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    // The workspace falls back to the nearest existing level when a folder is missing, so a
    // folder exists only when the one found is the Vimo's own "ver1/<kind>/<id>".
    struct Folder
    {
        const char* check;
        const char* what;
        std::u16string expected;
        std::u16string found;
    };
    const auto below = [&](const char16_t* kind) {
        return m_workspace.files().resolveBelow(info.folder, std::u16string(u"ver1") +
                                                                 kPathSeparator + kind +
                                                                 kPathSeparator + info.id);
    };
    const Folder folders[] = {
        {"sourceFolder", "source", below(u"content"), m_workspace.sourceFolder(info.id)},
        {"iconsFolder", "icons", below(u"theme"), m_workspace.iconsFolder(info.id)},
    };
    for (const Folder& folder : folders) {
        const std::u16string shown = folder.expected.substr(info.folder.size() + 1);
        const bool exists =
            folder.found == folder.expected && m_workspace.files().isDirectory(folder.found);
        std::string sentence = "The " + std::string(folder.what) + " folder exists.";
        if (!exists) {
            sentence = "The " + std::string(folder.what) + " folder does not exist.";
            if (!folder.found.empty() && m_workspace.files().isDirectory(folder.found)) {
                std::u16string instead = folder.found;
                if (instead.starts_with(info.folder + kPathSeparator)) {
                    instead = instead.substr(info.folder.size() + 1);
                }
                sentence.pop_back();
                sentence += "; the window opens " + toUtf8(instead) + " instead.";
            }
        }
        results.push_back({folder.check, shown, exists, sentence});
    }
}

void UploadChecks::checkFiles(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    const PackageListing listing = PackageInspector(m_workspace).inspect(info);
    bool anyLeftOut = false;
    for (const InspectedFile& file : listing.files) {
        if (file.verdict == Verdict::NotAllowed) {
            anyLeftOut = true;
            results.push_back({"extensions", file.relative, false,
                               "The package would leave this file out: its extension is not "
                               "allowed."});
        } else if (file.verdict == Verdict::NameNotPossible) {
            anyLeftOut = true;
            results.push_back({"extensions", file.relative, false,
                               "The package would leave this file out: its name holds a "
                               "backslash, which is not possible on Windows."});
        }
    }
    if (!anyLeftOut) {
        results.push_back({"extensions", u"", true,
                           "Every file has an allowed extension or is on the list to ignore."});
    }
    // The limit applies to the archive, so the archive is what is measured: built as pack builds
    // it, into a temporary file that is removed again.
    std::uint64_t archiveBytes = 0;
    const HRESULT measured = m_workspace.measureUploadPackage(info.id, archiveBytes);
    if (measured != S_OK) {
        results.push_back({"size", u"", false,
                           "The archive could not be built to measure it: " +
                               m_workspace.lastError().describe()});
        return;
    }
    const bool fits = archiveBytes < kUploadSizeLimit;
    results.push_back({"size", u"", fits,
                       "The archive of the " + std::to_string(listing.packedCount) +
                           " packed files is " + groupDigits(archiveBytes) + " bytes, " +
                           (fits ? "under" : "not under") + " the limit of " +
                           groupDigits(kUploadSizeLimit) + " bytes."});
}

void UploadChecks::checkLinks(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    // Our own walk, never following links, so that a link to a folder is seen as a link; a
    // folder that cannot be listed is passed over.
    std::vector<std::u16string> outside;
    FileSystem& files = m_workspace.files();
    std::vector<std::u16string> pending{u""};
    while (!pending.empty()) {
        const std::u16string relative = std::move(pending.back());
        pending.pop_back();
        const std::u16string folder =
            relative.empty() ? info.folder : info.folder + kPathSeparator + relative;
        std::vector<DirectoryEntry> entries;
        if (files.listFolder(folder, entries) != 0) {
            continue;
        }
        for (const DirectoryEntry& entry : entries) {
            const std::u16string name =
                relative.empty() ? entry.name : relative + kPathSeparator + entry.name;
            if (!entry.isSymlink) {
                if (entry.isDirectory) {
                    pending.push_back(name);
                }
            } else if (!files.resolvesInside(info.folder + kPathSeparator + name, info.folder)) {
                outside.push_back(name);
            }
        }
    }
    std::sort(outside.begin(), outside.end());
    for (const std::u16string& link : outside) {
        results.push_back({"links", link, false,
                           "This symbolic link leads out of the Vimo's folder or nowhere."});
    }
    if (outside.empty()) {
        results.push_back({"links", u"", true, "No symbolic link leads out of the folder."});
    }
}

void UploadChecks::checkIdentifier(const VimoInfo& info, std::vector<CheckResult>& results) const
{
    bool claimed = false;
    for (const LeftOutFolder& left : m_workspace.leftOutFolders()) {
        if (left.id == info.id && left.folder != info.folder) {
            claimed = true;
            results.push_back({"identifier", left.folder, false,
                               "This service folder claims the same identifier; the catalogue "
                               "left it out."});
        }
    }
    if (!claimed) {
        results.push_back(
            {"identifier", u"", true, "No other service folder claims the identifier."});
    }
}

} // namespace vimo
