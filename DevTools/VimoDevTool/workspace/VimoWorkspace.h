#pragma once

#include "platform/Failure.h"
#include "platform/ResultCodes.h"
#include "workspace/DeveloperConfig.h"
#include "workspace/PackageMarkers.h"
#include "workspace/VimoInfo.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vimo {

class Clipboard;
class FileSystem;
class Platform;

using PathList = std::vector<std::u16string>;

// A service folder whose catalogue entry was left out of the catalogue, and why.
struct LeftOutFolder
{
    std::u16string folder;
    std::u16string id;  // as the file writes it
    std::string reason; // in words
};

// A folder tree as packing sees it: its files in packing order, the links among them that lead
// out of the tree (never packed, yet shown), and the folders that could not be read.
struct FolderListing
{
    struct Entry
    {
        std::u16string path;
        bool leadsOutside = false; // a link to a file outside the listed folder, or to nothing
        bool nameIsExact = true;   // false when the name is not valid UTF-8 (`path` approximates)
    };
    std::vector<Entry> entries;
    std::vector<Failure> problems;
};

// The result of classifyFile.
enum FileClass : int
{
    FileNotSupported = 0,
    FileIgnored = 1,
    FilePackable = 2,
};

// The model: the client's installation, the developer's catalogue and the developer
// configuration, with every operation of the tool on them. Operations return 0 on success,
// 1 when nothing was done and a negative code on failure, and never show anything.
class VimoWorkspace
{
public:
    explicit VimoWorkspace(Platform& platform);
    VimoWorkspace();

    Platform& platform() const { return m_platform; }
    // The platform's file system, which every file operation of the workspace goes through.
    FileSystem& files() const;

    // Why the last operation that failed did so (file or address, reason in words, code); each
    // operation clears it when it starts, so it is empty after a success.
    const Failure& lastError() const { return m_lastError; }

    // --- Installation and folder layout (Installation.cpp)

    // Finds the client's installation folder from its uninstall entry; E_FAIL when not found.
    HRESULT locateInstallation();
    // Whether the installation folder exists and its recorded path stays on its drive (no ".."
    // above the drive's root); a failure names the folder and why.
    HRESULT checkInstallFolder();
    // The installation folder, ending with a separator; empty until found.
    const std::u16string& installFolder() const { return m_installFolder; }
    // Sets the installation folder directly (a separator is appended); for tests and tools.
    void setInstallFolder(const std::u16string& folder);
    // The folder that holds every service folder, ending with a separator.
    std::u16string servicesFolder() const;
    // The folder that holds every package folder, ending with a separator.
    std::u16string packagesFolder() const;
    // `path` with one separator appended unless it is empty or already ends with one.
    static std::u16string withTrailingBackslash(const std::u16string& path);

    // --- Client launch and reload notifications (ClientControl.cpp)

    // Whether the client is running.
    bool IsClientRunning();
    // Whether at least two client windows exist.
    bool HasSecondClientWindow();
    // Starts the client; 1 when no installation folder is known.
    HRESULT LaunchClient();
    // Starts a second instance of the client; 1 when no installation folder is known.
    HRESULT LaunchSecondClient();
    // Asks a running client to reload its Vimo list; 0 when the client does not run.
    HRESULT NotifyReloadVimoList();
    // Asks a running client to refresh its packages; 0 when the client does not run.
    HRESULT NotifyRefreshPackages();

    // --- Catalogue (Catalogue.cpp)

    // Clears the catalogue and reads every service folder; 1 when there is no services folder.
    HRESULT loadAll();
    // Reads one service folder's entry into the catalogue; 1 when it has none to take. An entry
    // whose identifier could name a path elsewhere is left out and kept in leftOutFolders().
    HRESULT addFromFolder(const std::u16string& folder);
    // Copies the entry of `id` into `info`; 1 (and `info` untouched) when there is none.
    HRESULT getVimo(const std::u16string& id, VimoInfo& info) const;
    // The entries under development, in identifier order.
    VimoMap GetDevVimos() const;
    // The published entries, in identifier order.
    VimoMap GetPublishedVimos() const;
    // Whether the package of the service folder `folder` holds its ".rmv" marker file.
    bool hasPackageMarker(const std::u16string& folder) const;
    const VimoMap& catalogue() const { return m_catalogue; }
    // The folders whose entries the last read left out for their identifiers.
    const std::vector<LeftOutFolder>& leftOutFolders() const { return m_leftOutFolders; }

    // --- Catalogue updates (CatalogueUpdates.cpp)

    // Writes `info` into the catalogue file of `id` and then into the catalogue; 1 when `id`
    // is not in the catalogue.
    HRESULT writeVimo(const std::u16string& id, const VimoInfo& info);
    // Marks the entry of `id` as under development, in its file and in the catalogue.
    HRESULT markUnderDevelopment(const std::u16string& id);
    // Writes `newId` as the identifier into the catalogue file of the service folder `folder`;
    // 1 when the folder has no catalogue file.
    HRESULT setCatalogueId(const std::u16string& newId, const std::u16string& folder);

    // --- Developer configuration (DeveloperConfig.cpp)

    // Downloads and reads the vendor's developer configuration.
    HRESULT loadDeveloperConfiguration();
    // The same, keeping the document's bytes in `downloaded` when the download succeeded (also
    // when the document then does not read), so that a caller can keep a copy.
    HRESULT loadDeveloperConfiguration(std::optional<std::string>& downloaded);
    // Reads a developer configuration document held in memory (a local file, a kept copy) as a
    // downloaded one is read; `source` names it in the cause of a failure. The configuration
    // changes only when the document reads.
    HRESULT readDeveloperConfiguration(const std::string& bytes, const std::u16string& source);
    // The address the developer configuration is downloaded from.
    std::u16string developerConfigurationUrl() const;
    // The base address of the vendor's developer server (ORVO_DEVELOPER_SERVER or the default).
    std::u16string developerServer() const;
    // The base address of the vendor's content server (ORVO_CONTENT_SERVER or the default).
    std::u16string contentServer() const;
    const DeveloperConfiguration& configuration() const { return m_configuration; }
    // Replaces the configuration without downloading it; for tests and tools.
    void setConfiguration(const DeveloperConfiguration& configuration);
    // Shortens the download's time-outs (connect, whole transfer; milliseconds); for tests.
    void setDownloadTimeouts(long connectMilliseconds, long totalMilliseconds,
                             long stallSeconds = 10);
    const StringSet& allowedExtensions() const { return m_configuration.allowedExtensions; }
    std::int32_t nameLengthLimit() const { return m_configuration.nameLengthLimit; }
    std::int32_t descLengthLimit() const { return m_configuration.descLengthLimit; }
    const std::u16string& localMainFileUrl() const { return m_configuration.localMainFileUrl; }
    const StringSet& ignoredFiles() const { return m_configuration.ignoredFiles; }

    // --- Client files (ClientFiles.cpp)

    // Deletes the client's cached Vimo list of `id`; 1 when `id` is not in the catalogue.
    HRESULT removeVimoListCache(const std::u16string& id);
    // Turns the "EnableReload" setting of a package folder's plug-in configuration to "0".
    HRESULT disableReload(const std::u16string& packageFolder);

    // --- Source and icon folders (Folders.cpp)

    // The folder of the Vimo's source files; empty when `id` is not in the catalogue.
    std::u16string sourceFolder(const std::u16string& id) const;
    // The folder of the Vimo's icons; empty when `id` is not in the catalogue.
    std::u16string iconsFolder(const std::u16string& id) const;
    // Opens the source folder in the desktop's file browser.
    HRESULT openSourceFolder(const std::u16string& id);
    // Opens the icons folder in the desktop's file browser.
    HRESULT openIconsFolder(const std::u16string& id);
    // Opens the folder of all service folders in the desktop's file browser.
    HRESULT openServicesFolder();

    // --- Under-development copies (DevelopmentCopies.cpp)

    // Copies the published Vimo `sourceId` into a new Vimo under development; its identifier
    // is stored in `newId`.
    HRESULT createDevelopmentCopy(const std::u16string& sourceId, std::u16string& newId);
    // The files of the Vimo's service folder that would be packed.
    PathList listCopyableFiles(const std::u16string& id) const;
    // Copies each file to its path with `oldId` replaced by `newId`; stops at the first failure.
    HRESULT copyFiles(const PathList& files, const std::u16string& oldId,
                      const std::u16string& newId);
    // Copies one file, creating missing folders and overwriting a read-only destination.
    HRESULT copyOneFile(const std::u16string& source, const std::u16string& destination);
    // Copies the package folder of `oldId` to that of `newId` and turns its reload off.
    HRESULT copyPackage(const std::u16string& oldId, const std::u16string& newId);
    // The text before the last separator; empty when there is none or it is the first character.
    static std::u16string parentFolder(const std::u16string& path);
    // `path` without trailing separators.
    static std::u16string trimTrailingBackslashes(const std::u16string& path);
    // Creates a folder and its missing parents; true when the folder was created.
    static bool createFolderChain(FileSystem& files, const std::u16string& folder);

    // --- Upload package (UploadPackage.cpp)

    // Packs the Vimo's allowed files into the archive beside its service folder; 1 when the
    // archive is 5,242,880 bytes or more. Files left out for their extension are appended to
    // `unsupportedFiles`, separated by ", ".
    HRESULT buildUploadPackage(const std::u16string& id, std::u16string& unsupportedFiles);
    // The size the Vimo's archive has when built, measured on a temporary archive that is removed
    // afterwards; 1 when `id` is not in the catalogue.
    HRESULT measureUploadPackage(const std::u16string& id, std::uint64_t& size) const;
    // The archive's path (service folder + ".zip"); empty when `id` is not in the catalogue.
    std::u16string uploadArchivePath(const std::u16string& id) const;
    // Puts the archive's path on the clipboard; E_UNEXPECTED without a clipboard.
    HRESULT copyArchivePathToClipboard(const std::u16string& id, Clipboard* clipboard) const;
    // Every file below `folder`, depth first, in file-name order.
    PathList listFolderFiles(const std::u16string& folder) const;
    // The same walk with the links that lead out of `folder` and the problems met on the way.
    FolderListing listFolderTree(const std::u16string& folder) const;
    // Whether a file is packed (2), ignored (1) or not supported (0): for its extension, or for
    // a name that Windows cannot hold.
    int classifyFile(const std::u16string& path) const;
    // Whether a file's name, or a folder's below the installation, holds a backslash (never on
    // Windows, where a backslash separates folders).
    bool nameImpossibleOnWindows(const std::u16string& path) const;

private:
    // addFromFolder with the package marker already looked for: `marked` leaves it out unread.
    HRESULT addFromFolder(const std::u16string& folder, bool marked);
    // Writes the archive of `info` into `target`, reporting failures against `archive`.
    HRESULT writeUploadArchive(const VimoInfo& info, const std::u16string& target,
                               const std::u16string& archive, std::u16string& unsupportedFiles,
                               std::uint64_t& size) const;
    // Starts an operation: forgets the previous operation's failure.
    void clearError() const { m_lastError = Failure{}; }
    // Records why the running operation fails and returns its code.
    HRESULT fail(HRESULT code, std::u16string_view subject, std::string reason) const;
    HRESULT fail(const Failure& failure) const;

    // A copy in progress: its identifier, its folders' final names and their staging names.
    struct StagedCopy
    {
        std::u16string id;
        std::u16string serviceFolder;
        std::u16string serviceStage;
        std::u16string packageFolder;
        std::u16string packageStage;
    };
    // Finds a free identifier and reserves it with its service folder.
    HRESULT reserveCopy(StagedCopy& copy);
    // Copies, stamps and marks both folders under their staging names, then moves them into place.
    HRESULT stageCopy(const VimoInfo& source, const PathList& files, const StagedCopy& copy);
    // Removes what a failed copy left: staging folders, the reservation, its catalogue entry.
    void discardCopy(const StagedCopy& copy);
    // Copies the package folder of `oldId` into `copy`, names mapped, and turns its reload off.
    HRESULT copyPackageInto(const std::u16string& oldId, const std::u16string& newId,
                            const std::u16string& copy);

    // Starts the client program with `arguments`; 1 without an installation folder.
    HRESULT launchClientProgram(const std::vector<std::u16string>& arguments);
    // Hands a command to the running client; 0 when it does not run.
    HRESULT notifyClient(const std::u16string& command);

    Platform& m_platform;
    mutable Failure m_lastError;
    std::u16string m_installFolder;
    std::u16string m_installLocation; // as the uninstall entry writes it
    VimoMap m_catalogue;
    std::vector<LeftOutFolder> m_leftOutFolders;
    PackageMarkers m_packageMarkers; // kept from one scan of the services folder to the next
    DeveloperConfiguration m_configuration;
    long m_connectTimeoutMs = 10000;
    long m_totalTimeoutMs = 30000;
    long m_stallTimeoutSeconds = 10; // a server silent this long is given up
    int m_clientWindowCount = 0;     // used only while client windows are counted
};

// Upload archives must stay strictly below this size.
inline constexpr std::uint64_t kUploadSizeLimit = 5242880;

} // namespace vimo
