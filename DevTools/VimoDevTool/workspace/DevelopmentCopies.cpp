// Under-development copies of published Vimos: a new identifier, both folders copied under it.

#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "workspace/RecordValidator.h"
#include "workspace/VimoWorkspace.h"

#include <cerrno>
#include <initializer_list>
#include <optional>

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

std::u16string serviceFolderName(const std::u16string& id)
{
    return u"orvo" + id + u"Vimoz";
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

    // A second copy within the same second, or a clock set back, must not land in an existing
    // Vimo's folders: count the seconds up until the identifier is free.
    const std::u16string sourceName = source.folder.substr(services.size());
    std::u16string id;
    std::int64_t seconds = m_platform.currentTime();
    for (int attempt = 0;; ++attempt, ++seconds) {
        if (attempt == kIdentifierAttempts) {
            return fail(E_FAIL, services, "no free identifier was found for the copy");
        }
        id = kNewIdPrefix + toDecimal(seconds);
        const bool taken = m_catalogue.count(id) != 0 ||
                           this->files().exists(services + serviceFolderName(id)) ||
                           this->files().exists(services + replaceAll(sourceName, sourceId, id)) ||
                           this->files().exists(this->files().resolveBelow(packagesFolder(), id));
        if (!taken) {
            break;
        }
    }
    newId = id;

    HRESULT hr = copyFiles(files, sourceId, id);
    if (failed(hr)) {
        return hr;
    }
    hr = copyPackage(sourceId, id);
    if (failed(hr)) {
        return hr;
    }
    NotifyRefreshPackages();
    const std::u16string folder = services + serviceFolderName(id);
    hr = setCatalogueId(id, folder);
    if (failed(hr)) {
        return hr;
    }
    hr = addFromFolder(folder);
    if (failed(hr)) {
        return hr;
    }
    hr = markUnderDevelopment(id);
    return failed(hr) ? hr : S_OK;
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
    const std::u16string packages = packagesFolder();
    const std::u16string folder = files().resolveBelow(packages, oldId);
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
    const std::u16string copy = packages + newId;
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
