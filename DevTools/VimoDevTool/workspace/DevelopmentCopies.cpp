// Under-development copies of published Vimos: a new identifier, both folders copied under it.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Process.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "workspace/RecordValidator.h"
#include "workspace/TemporaryFiles.h"
#include "workspace/VimoWorkspace.h"

#include <cerrno>
#include <initializer_list>
#include <map>
#include <optional>
#include <set>

namespace vimo {

namespace {

const std::u16string kNewIdPrefix = u"dev_user_vimo_";

// Later clock values tried when the identifier of the current second is taken; far more
// copies than anyone makes, yet the search cannot run away.
constexpr int kIdentifierAttempts = 100000;

// Identifiers become folder names: the first that could name a path elsewhere, and why, by the
// rule that catalogue entries meet.
std::optional<Failure> unsafeIdentifier(std::initializer_list<std::u16string_view> ids)
{
    for (const std::u16string_view id : ids) {
        if (std::optional<std::string> problem = RecordValidator::identifierProblem(id)) {
            return Failure{E_INVALIDARG, std::u16string(id), std::move(*problem)};
        }
    }
    return std::nullopt;
}

bool startsWith(const std::u16string& text, const std::u16string& prefix)
{
    return text.size() >= prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

const std::u16string kServicePrefix = u"orvo";
const std::u16string kServiceSuffix = u"Vimoz";

std::u16string serviceFolderName(const std::u16string& id)
{
    return kServicePrefix + id + kServiceSuffix;
}

// The destination of a copied file: identifiers are replaced only below the services or packages
// folder, so an installation whose own path holds the identifier is left alone.
std::optional<std::u16string> mappedPath(const VimoWorkspace& workspace, const std::u16string& path,
                                         const std::u16string& oldId, const std::u16string& newId)
{
    if (workspace.installFolder().empty()) {
        return std::nullopt;
    }
    for (const std::u16string& base : {workspace.servicesFolder(), workspace.packagesFolder()}) {
        if (startsWith(path, base)) {
            return base + replaceAll(std::u16string_view(path).substr(base.size()), oldId, newId);
        }
    }
    return std::nullopt;
}

// Removes what a copy that did not finish left: its package when its reservation is still empty
// (it may have been moved into place just before the end), the reservation, and last the staging
// folder that names its owner, so that when this is cut short the next copy finds it again.
void removeUnfinishedCopy(FileSystem& files, const std::u16string& serviceFolder,
                          const std::u16string& serviceStage, const std::u16string& packageFolder)
{
    std::vector<DirectoryEntry> inside;
    if (files.listFolder(serviceFolder, inside) == 0 && inside.empty() &&
        (removeTree(files, packageFolder) != 0 || files.removeFolder(serviceFolder) != 0)) {
        return; // left for the next copy
    }
    removeTree(files, serviceStage);
}

// Staging folders in `folder` for names beginning with `prefix`, by whether their process
// still runs (a name to its staging folders).
struct Stages
{
    std::multimap<std::u16string, std::u16string> ended;
    std::set<std::u16string> running;
};

Stages findStages(FileSystem& files, const std::u16string& folder, const std::u16string& prefix)
{
    Stages stages;
    std::vector<DirectoryEntry> entries;
    if (files.listFolder(folder, entries) != 0) {
        return stages;
    }
    for (const DirectoryEntry& entry : entries) {
        const std::u16string target = temporaryTargetName(entry.name);
        if (!entry.isDirectory || entry.isSymlink || !startsWith(target, prefix)) {
            continue;
        }
        const long owner = *temporaryFileOwner(entry.name);
        if (owner == currentProcessId() || processIsRunning(owner)) {
            stages.running.insert(target);
        } else {
            stages.ended.emplace(target, folder + entry.name);
        }
    }
    return stages;
}

// What killed copies left behind: staging folders of processes that no longer run, with the
// reservations they stand for. A reservation whose staging folder belongs to a running process
// is that process's, and only the ended process's staging folder goes.
void removeStaleCopies(FileSystem& files, const std::u16string& services,
                       const std::u16string& packages)
{
    for (const auto& [name, stage] : findStages(files, packages, kNewIdPrefix).ended) {
        removeTree(files, stage);
    }
    const Stages stages = findStages(files, services, kServicePrefix + kNewIdPrefix);
    for (const auto& [name, stage] : stages.ended) {
        if (stages.running.count(name) != 0 || !name.ends_with(kServiceSuffix)) {
            removeTree(files, stage);
            continue;
        }
        const std::u16string id = name.substr(
            kServicePrefix.size(), name.size() - kServicePrefix.size() - kServiceSuffix.size());
        removeUnfinishedCopy(files, services + name, stage, packages + id);
    }
}

} // namespace

HRESULT VimoWorkspace::createDevelopmentCopy(const std::u16string& sourceId, std::u16string& newId)
{
    clearError();
    if (const std::optional<Failure> refused = unsafeIdentifier({sourceId})) {
        return fail(*refused);
    }
    const PathList files = listCopyableFiles(sourceId);
    if (files.empty()) {
        return fail(E_FAIL, sourceId, "no Vimo of that identifier has a file to copy");
    }
    // Every file must land somewhere else than where it lies: the part of the source folder
    // below the services folder has to name the source identifier.
    VimoInfo source;
    getVimo(sourceId, source);
    const std::u16string services = servicesFolder();
    if (m_installFolder.empty() || !startsWith(source.folder, services) ||
        source.folder.find(sourceId, services.size()) == std::u16string::npos) {
        return fail(E_FAIL, source.folder,
                    "the service folder's name does not hold the Vimo's identifier");
    }
    const std::u16string packages = packagesFolder();
    removeStaleCopies(this->files(), services, packages);

    StagedCopy copy;
    if (const HRESULT hr = reserveCopy(copy); failed(hr)) {
        return hr;
    }
    newId = copy.id;
    const HRESULT hr = stageCopy(source, files, copy);
    if (failed(hr)) {
        discardCopy(copy);
        return hr;
    }
    NotifyRefreshPackages();
    return S_OK;
}

HRESULT VimoWorkspace::reserveCopy(StagedCopy& copy)
{
    // Parallel copies, a second copy within the same second or a clock set back must not land in
    // an existing Vimo's folders: the final service folder is created, which succeeds for one
    // process only, and the seconds are counted up while that fails. Its staging folder is made
    // first, so that a reservation is never without the staging folder that names its owner.
    const std::u16string services = servicesFolder();
    FileSystem& fileSystem = files();
    std::int64_t seconds = m_platform.currentTime();
    for (int attempt = 0; attempt < kIdentifierAttempts; ++attempt, ++seconds) {
        const std::u16string id = kNewIdPrefix + toDecimal(seconds);
        const std::u16string name = serviceFolderName(id);
        if (m_catalogue.count(id) != 0 ||
            fileSystem.exists(fileSystem.resolveBelow(packagesFolder(), id)) ||
            fileSystem.exists(fileSystem.resolveBelow(services, name))) {
            continue;
        }
        copy.id = id;
        copy.serviceFolder = services + name;
        copy.serviceStage = temporaryPathBeside(copy.serviceFolder);
        copy.packageFolder = packagesFolder() + id;
        copy.packageStage = temporaryPathBeside(copy.packageFolder);
        if (const int error = fileSystem.createFolder(copy.serviceStage)) {
            return fail(failureFromErrno(error, copy.serviceStage));
        }
        const int error = fileSystem.createFolder(copy.serviceFolder);
        if (error == 0) {
            return S_OK;
        }
        fileSystem.removeFolder(copy.serviceStage);
        if (error != EEXIST) {
            return fail(failureFromErrno(error, copy.serviceFolder));
        }
    }
    return fail(E_FAIL, services, "no free identifier was found for the copy");
}

HRESULT VimoWorkspace::stageCopy(const VimoInfo& source, const PathList& files,
                                 const StagedCopy& copy)
{
    // Both folders are filled and stamped under names that no load takes for a Vimo, and moved
    // into place only when complete: a failure or a kill never leaves a Vimo half copied, nor a
    // copy that still carries the published Vimo's identifier.
    for (const std::u16string& path : files) {
        const std::u16string below = path.substr(source.folder.size());
        const HRESULT hr =
            copyOneFile(path, copy.serviceStage + replaceAll(below, source.id, copy.id));
        if (failed(hr)) {
            return hr;
        }
    }
    HRESULT hr = copyPackageInto(source.id, copy.id, copy.packageStage);
    if (failed(hr)) {
        return hr;
    }
    hr = setCatalogueId(copy.id, copy.serviceStage);
    if (hr == S_OK) {
        hr = addFromFolder(copy.serviceStage);
        if (hr == S_OK) {
            hr = markUnderDevelopment(copy.id);
        }
    }
    if (failed(hr)) {
        return hr;
    }
    // The package first: once the service folder is in place the Vimo is listed, and it must
    // find its package.
    FileSystem& fileSystem = this->files();
    if (const int error = fileSystem.moveFolder(copy.packageStage, copy.packageFolder)) {
        return fail(failureFromErrno(error, copy.packageFolder));
    }
    if (const int error = fileSystem.moveFolder(copy.serviceStage, copy.serviceFolder)) {
        return fail(failureFromErrno(error, copy.serviceFolder));
    }
    if (const auto entry = m_catalogue.find(copy.id); entry != m_catalogue.end()) {
        entry->second.folder = copy.serviceFolder;
    }
    return S_OK;
}

void VimoWorkspace::discardCopy(const StagedCopy& copy)
{
    // The cause of the failure stays the operation's; what cannot be removed here is removed as
    // stale by a later copy.
    m_catalogue.erase(copy.id);
    removeTree(files(), copy.packageStage);
    removeUnfinishedCopy(files(), copy.serviceFolder, copy.serviceStage, copy.packageFolder);
}

PathList VimoWorkspace::listCopyableFiles(const std::u16string& id) const
{
    VimoInfo info;
    if (getVimo(id, info) != S_OK) {
        return {};
    }
    PathList copyable;
    for (std::u16string& path : listFolderFiles(info.folder)) {
        if (classifyFile(path) == FilePackable) {
            copyable.push_back(std::move(path));
        }
    }
    return copyable;
}

HRESULT VimoWorkspace::copyFiles(const PathList& files, const std::u16string& oldId,
                                 const std::u16string& newId)
{
    clearError();
    if (files.empty()) {
        return S_OK;
    }
    if (const std::optional<Failure> refused = unsafeIdentifier({oldId, newId})) {
        return fail(*refused);
    }
    for (const std::u16string& path : files) {
        const std::optional<std::u16string> destination = mappedPath(*this, path, oldId, newId);
        if (!destination) {
            return fail(E_INVALIDARG, path,
                        "the file lies outside the services and packages folders");
        }
        const HRESULT hr = copyOneFile(path, *destination);
        if (failed(hr)) {
            return hr;
        }
    }
    return S_OK;
}

HRESULT VimoWorkspace::copyOneFile(const std::u16string& source, const std::u16string& destination)
{
    clearError();
    FileSystem& fileSystem = files();
    FileStatus present;
    if (fileSystem.linkStatus(destination, present) != 0) {
        createFolderChain(fileSystem, parentFolder(destination));
    } else if (present.isLink()) {
        // Writing through a link would change whatever file it leads to.
        if (const int error = fileSystem.removeFile(destination)) {
            return fail(failureFromErrno(error, destination));
        }
    } else {
        FileStatus original;
        if (fileSystem.status(source, original) == 0 && original.device == present.device &&
            original.fileId == present.fileId) {
            // Copying a file onto itself would destroy it.
            return fail(E_INVALIDARG, destination, "the file would be copied onto itself");
        }
        if ((present.permissions & kPermissionOwnerWrite) == 0) {
            if (const int error = fileSystem.setPermissions(
                    destination, present.permissions | kPermissionOwnerWrite)) {
                return fail(failureFromErrno(error, destination));
            }
        }
    }
    if (const int error = fileSystem.copyFile(source, destination)) {
        Failure cause = failureFromErrno(error, destination);
        cause.reason = "copying " + toUtf8(source) + " failed: " + cause.reason;
        return fail(cause);
    }
    return S_OK;
}

HRESULT VimoWorkspace::copyPackage(const std::u16string& oldId, const std::u16string& newId)
{
    clearError();
    if (const std::optional<Failure> refused = unsafeIdentifier({oldId, newId})) {
        return fail(*refused);
    }
    if (m_installFolder.empty()) {
        return fail(E_INVALIDARG, oldId, "no installation is known");
    }
    return copyPackageInto(oldId, newId, packagesFolder() + newId);
}

HRESULT VimoWorkspace::copyPackageInto(const std::u16string& oldId, const std::u16string& newId,
                                       const std::u16string& copy)
{
    const std::u16string folder = files().resolveBelow(packagesFolder(), oldId);
    if (!files().exists(folder)) {
        return fail(E_FAIL, folder, "the package folder does not exist");
    }
    const PathList files = listFolderFiles(folder);
    if (files.empty()) {
        return fail(E_FAIL, folder, "the package folder holds no file");
    }
    // The folder may have been found in another letter case than the identifier's: it is the
    // name found that is replaced, so that every file lands in the new folder, never in the
    // source's own.
    for (const std::u16string& path : files) {
        const std::u16string below = path.substr(folder.size());
        const HRESULT hr = copyOneFile(path, copy + replaceAll(below, oldId, newId));
        if (failed(hr)) {
            return hr;
        }
    }
    const HRESULT hr = disableReload(copy);
    return failed(hr) ? hr : S_OK;
}

std::u16string VimoWorkspace::parentFolder(const std::u16string& path)
{
    const std::size_t separator = path.rfind(kPathSeparator);
    if (separator == std::u16string::npos || separator == 0) {
        return {};
    }
    return path.substr(0, separator);
}

std::u16string VimoWorkspace::trimTrailingBackslashes(const std::u16string& path)
{
    std::size_t end = path.size();
    while (end > 0 && path[end - 1] == kPathSeparator) {
        --end;
    }
    return path.substr(0, end);
}

bool VimoWorkspace::createFolderChain(FileSystem& files, const std::u16string& folder)
{
    if (folder.empty()) {
        return false;
    }
    const int error = files.createFolder(folder);
    if (error == 0) {
        return true;
    }
    // An existing folder ends the climb at once: every ancestor exists too, so climbing to the
    // root could only give the same answer.
    if (error == EEXIST) {
        return false;
    }
    const std::u16string parent = parentFolder(trimTrailingBackslashes(folder));
    if (parent.empty() || !createFolderChain(files, parent)) {
        return false;
    }
    return files.createFolder(folder) == 0;
}

} // namespace vimo
