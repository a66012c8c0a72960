#pragma once

#include "archive/EngineInterfaces.h"
#include "archive/StreamFailure.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vimo {

// The largest block that one Read or Write call moves; a larger request is served in part.
inline constexpr std::uint32_t kMaxStreamBlock = 16u * 1024u * 1024u;

// One member file's data as the engine reads it. Reference counted; created with count 0.
class InFileStream final : public engine::IInStream, public engine::IStreamGetSize
{
public:
    // Opens files through `files`.
    explicit InFileStream(FileSystem& files = FileSystem::system());
    virtual ~InFileStream();

    // Opens the member file for reading (closing any other); false when it cannot be opened,
    // with openError() telling why. A failed read is recorded in `failures` when one is given.
    bool open(const std::u16string& path, StreamFailurePtr failures = {});
    // The error number of the last open that failed; 0 after a success.
    int openError() const { return m_openError; }

    HRESULT QueryInterface(const engine::GUID& iid, void** object) override;
    engine::ULONG AddRef() override;
    engine::ULONG Release() override;
    HRESULT Read(void* data, std::uint32_t size, std::uint32_t* processedSize) override;
    HRESULT Seek(std::int64_t offset, std::uint32_t seekOrigin,
                 std::uint64_t* newPosition) override;
    HRESULT GetSize(std::uint64_t* size) override;

    // How many stream objects exist right now; lets tests see that every one was destroyed.
    static long liveObjects();

private:
    // The engine may take and drop references on its worker threads.
    std::atomic<std::uint32_t> m_refCount{0};
    FileSystem& m_files;
    std::unique_ptr<File> m_file;
    int m_openError = 0;
    std::u16string m_path;
    StreamFailurePtr m_failures;
};

// Moves a file's position as the engine's Seek asks (origin 0 start, 1 current, 2 end); a
// stream without a file fails as a closed descriptor would.
HRESULT seekFile(File* file, std::int64_t offset, std::uint32_t seekOrigin,
                 std::uint64_t* newPosition);

} // namespace vimo
