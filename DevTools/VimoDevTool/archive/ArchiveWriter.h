#pragma once

#include "platform/Failure.h"
#include "platform/ResultCodes.h"

#include <memory>
#include <string>
#include <vector>

namespace vimo {

class FileSystem;

// The archive formats a writer can be asked for; only Zip is written.
enum ArchiveFormat : int
{
    ArchiveFormat7z = 1,
    ArchiveFormatZip = 2,
};

// Writes one archive through the archive engine: init, addFile for each member, create once,
// then destruction, which releases the engine's object before its module is unloaded.
class ArchiveWriter
{
public:
    // Looks for the engine where EngineLibrary::defaultCandidates says.
    ArchiveWriter();
    // Looks for the engine at these absolute paths, in order (the first that exists is used).
    explicit ArchiveWriter(std::vector<std::u16string> libraryCandidates);
    // The same, with every file read, written and loaded through `files`.
    ArchiveWriter(FileSystem& files, std::vector<std::u16string> libraryCandidates);
    ArchiveWriter(const ArchiveWriter&) = delete;
    ArchiveWriter& operator=(const ArchiveWriter&) = delete;

    // Loads the engine and creates its archive object; E_INVALIDARG for any format but Zip,
    // E_FAIL when the engine is missing or unusable, else the engine's own failure code.
    virtual HRESULT init(ArchiveFormat format);
    // Queues a file under a member name ("/" or "\" between components; empty: the file's own
    // name); E_UNEXPECTED before init, E_INVALIDARG when the path is empty or does not exist.
    virtual HRESULT addFile(const std::u16string& path, const std::u16string& memberName);
    // Writes the archive with every queued file; a queued file that can no longer be read fails
    // it (lastError names the file); E_UNEXPECTED before
    // init, E_INVALIDARG for an empty path, E_FAIL when the file cannot be created, else the
    // engine's failure code.
    virtual HRESULT create(const std::u16string& archivePath, const std::u16string& password = {});
    virtual ~ArchiveWriter();

    // The engine module in use; empty before init.
    std::u16string libraryPath() const;
    // Why the last operation failed: the file (archive, member or engine module) and the reason
    // in words, with the code returned; empty after a success.
    const Failure& lastError() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace vimo
