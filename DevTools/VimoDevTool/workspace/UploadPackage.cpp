// The upload package: which files of a Vimo go into its ZIP, under which names, and the archive
// beside the Vimo's service folder.

#include "archive/ArchiveWriter.h"
#include "archive/EngineLibrary.h"
#include "platform/Clipboard.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/SystemError.h"
#include "platform/Text.h"
#include "workspace/TemporaryFiles.h"
#include "workspace/VimoWorkspace.h"

namespace vimo {

namespace {

std::u16string fileNameOf(const std::u16string& path)
{
    const std::size_t separator = path.find_last_of(kPathSeparator);
    return separator == std::u16string::npos ? path : path.substr(separator + 1);
}

// Depth first, in file-name order. Links to folders are not followed (a link back up would
// never end), and a link to a file outside the walk's root is never packed, so that a Vimo
// folder cannot carry a developer's private files into an upload or a copy; it is listed as
// such so that the developer can see why. A folder that cannot be read is a problem: packing
// without it would upload an incomplete Vimo.
void listInto(FileSystem& fileSystem, const std::u16string& folder, const std::u16string& root,
              FolderListing& listing)
{
    std::vector<DirectoryEntry> entries;
    if (const int error = fileSystem.listFolder(folder, entries)) {
        Failure cause = failureFromErrno(error, folder);
        cause.reason = "the folder cannot be read: " + cause.reason;
        listing.problems.push_back(std::move(cause));
        return;
    }
    for (const DirectoryEntry& entry : entries) {
        const std::u16string path = folder + entry.name;
        // The tool's own temporary files and staging folders are never part of a Vimo.
        if (temporaryFileOwner(entry.name)) {
            continue;
        }
        if (entry.isDirectory) {
            if (!entry.isSymlink) {
                listInto(fileSystem, path + kPathSeparator, root, listing);
            }
        } else if (entry.isSymlink && !fileSystem.resolvesInside(path, root)) {
            listing.entries.push_back({path, true, entry.nameIsExact});
        } else if (entry.isRegularFile) {
            listing.entries.push_back({path, false, entry.nameIsExact});
        }
        // Anything else (a pipe, a socket, a device) is not a file to pack.
    }
}

// The archive's size as the file system reports it; 0 when it cannot be opened.
std::uint64_t archiveSize(FileSystem& files, const std::u16string& path)
{
    int error = 0;
    const std::unique_ptr<File> file = files.openForReading(path, error);
    FileStatus status;
    if (!file || file->status(status) != 0) {
        return 0;
    }
    return status.size;
}

} // namespace

HRESULT VimoWorkspace::buildUploadPackage(const std::u16string& id,
                                          std::u16string& unsupportedFiles)
{
    clearError();
    const auto found = m_catalogue.find(id);
    if (found == m_catalogue.end()) {
        return S_FALSE;
    }
    const VimoInfo info = found->second;
    const std::u16string& folder = info.folder;
    if (folder.empty()) {
        return fail(E_FAIL, id, "the Vimo has no service folder");
    }

    // Built beside the archive and renamed over it only when complete, so that the upload path
    // holds the previous archive or a whole new one, never a part of one. The rename replaces
    // whatever sits there, a link included, without writing through it.
    const std::u16string archive = folder + u".zip";
    removeStaleTemporaries(files(), archive);
    const std::u16string temporary = temporaryPathBeside(archive);
    std::uint64_t size = 0;
    if (failed(writeUploadArchive(info, temporary, archive, unsupportedFiles, size))) {
        files().removeFile(temporary);
        return m_lastError.code;
    }
    if (const int error = files().rename(temporary, archive)) {
        files().removeFile(temporary);
        Failure cause = failureFromErrno(error, archive);
        cause.code = E_FAIL; // as when the archive file cannot be created
        cause.reason = "the archive file cannot be created: " + cause.reason;
        return fail(cause);
    }
    return size < kUploadSizeLimit ? S_OK : S_FALSE;
}

HRESULT VimoWorkspace::measureUploadPackage(const std::u16string& id, std::uint64_t& size) const
{
    clearError();
    const auto found = m_catalogue.find(id);
    if (found == m_catalogue.end()) {
        return S_FALSE;
    }
    if (found->second.folder.empty()) {
        return fail(E_FAIL, id, "the Vimo has no service folder");
    }
    const std::u16string archive = found->second.folder + u".zip";
    const std::u16string temporary = temporaryPathBeside(archive);
    std::u16string unsupported;
    const HRESULT hr = writeUploadArchive(found->second, temporary, archive, unsupported, size);
    files().removeFile(temporary);
    return hr;
}

HRESULT VimoWorkspace::writeUploadArchive(const VimoInfo& info, const std::u16string& target,
                                          const std::u16string& archive,
                                          std::u16string& unsupportedFiles,
                                          std::uint64_t& size) const
{
    const std::u16string& folder = info.folder;
    const std::u16string& id = info.id;
    ArchiveWriter writer(files(), EngineLibrary::defaultCandidates(m_platform));
    if (failed(writer.init(ArchiveFormatZip))) {
        return fail(writer.lastError());
    }

    const std::u16string prefix = withTrailingBackslash(folder);
    const std::u16string memberRoot = u"orvo" + id + u"Vimoz" + kPathSeparator;
    const FolderListing listing = listFolderTree(folder);
    if (!listing.problems.empty()) {
        return fail(listing.problems.front());
    }
    for (const FolderListing::Entry& entry : listing.entries) {
        if (entry.leadsOutside) {
            continue;
        }
        const std::u16string& path = entry.path;
        switch (classifyFile(path)) {
        case FilePackable: {
            // Its real name cannot be given back to the file system from here, nor stored as a
            // member name the upload page could read.
            if (!entry.nameIsExact) {
                return fail(E_FAIL, path, "the file's name is not valid UTF-8");
            }
            const std::u16string relative = path.substr(prefix.size());
            if (failed(writer.addFile(path, memberRoot + relative))) {
                return fail(writer.lastError());
            }
            break;
        }
        case FileNotSupported:
            if (!unsupportedFiles.empty()) {
                unsupportedFiles += u", ";
            }
            unsupportedFiles += fileNameOf(path);
            break;
        default:
            break;
        }
    }

    // Its name can be foretold: whatever was put there (a link to follow) goes before it is made.
    files().removeFile(target);
    if (failed(writer.create(target))) {
        Failure cause = writer.lastError();
        if (cause.subject == target) {
            cause.subject = archive;
        }
        return fail(cause);
    }
    size = archiveSize(files(), target);
    return S_OK;
}

std::u16string VimoWorkspace::uploadArchivePath(const std::u16string& id) const
{
    const auto found = m_catalogue.find(id);
    if (found == m_catalogue.end()) {
        return {};
    }
    return found->second.folder + u".zip";
}

HRESULT VimoWorkspace::copyArchivePathToClipboard(const std::u16string& id,
                                                  Clipboard* clipboard) const
{
    clearError();
    if (!clipboard) {
        return fail(E_UNEXPECTED, id, "there is no clipboard");
    }
    const std::u16string path = uploadArchivePath(id);
    if (path.empty()) {
        return fail(E_FAIL, id, "no Vimo of that identifier is in the catalogue");
    }
    std::string whyNot;
    if (!clipboard->setText(path, whyNot)) {
        return fail(E_FAIL, path, whyNot.empty() ? "the clipboard took no text" : whyNot);
    }
    return S_OK;
}

PathList VimoWorkspace::listFolderFiles(const std::u16string& folder) const
{
    PathList files;
    for (FolderListing::Entry& entry : listFolderTree(folder).entries) {
        if (!entry.leadsOutside) {
            files.push_back(std::move(entry.path));
        }
    }
    return files;
}

FolderListing VimoWorkspace::listFolderTree(const std::u16string& folder) const
{
    FolderListing listing;
    const std::u16string root = withTrailingBackslash(folder);
    if (!root.empty()) {
        listInto(this->files(), root, root, listing);
    }
    return listing;
}

bool VimoWorkspace::nameImpossibleOnWindows(const std::u16string& path) const
{
    if constexpr (kPathSeparator == u'\\') {
        return false; // there every backslash separates folders
    }
    // Only the names below the installation are the Vimo's own.
    const std::u16string root = withTrailingBackslash(m_installFolder);
    const std::u16string_view own =
        !root.empty() && path.starts_with(root)
            ? std::u16string_view(path).substr(root.size())
            : std::u16string_view(path).substr(path.find_last_of(kPathSeparator) + 1);
    return own.find(u'\\') != std::u16string_view::npos;
}

int VimoWorkspace::classifyFile(const std::u16string& path) const
{
    if (path.empty()) {
        return FileNotSupported;
    }
    if (m_configuration.ignoredFiles.count(fileNameOf(path)) != 0) {
        return FileIgnored;
    }
    // Legal here, impossible on Windows, and the engine would store it as a folder separator
    // (a member that can duplicate a real one): left out and reported like an unsupported file.
    if (nameImpossibleOnWindows(path)) {
        return FileNotSupported;
    }
    // The extension is what follows the last dot of the whole path, so a file without a dot in
    // a folder with one gets part of the folder path as its extension (and is not packed).
    const std::size_t dot = path.find_last_of(u'.');
    const std::u16string extension =
        toLowerAscii(dot == std::u16string::npos ? path : path.substr(dot + 1));
    return m_configuration.allowedExtensions.count(extension) != 0 ? FilePackable
                                                                   : FileNotSupported;
}

} // namespace vimo
