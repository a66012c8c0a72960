#pragma once

#include "archive/EngineInterfaces.h"
#include "archive/StreamFailure.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

namespace vimo {

// The archive file as the engine writes it. Reference counted; created with count 0; the file
// is closed when the last reference goes.
class OutFileStream final : public engine::IOutStream
{
public:
    // Creates files through `files`.
    explicit OutFileStream(FileSystem& files = FileSystem::system());
    virtual ~OutFileStream();

    // Creates (or truncates) the archive file; false when it cannot be, with openError()
    // telling why. A failed write is recorded in `failures` when one is given.
    bool open(const std::u16string& path, CreateMode mode = CreateMode::CreateAlways,
              StreamFailurePtr failures = {});
    // The error number of the last open that failed; 0 after a success.
    int openError() const { return m_openError; }

    HRESULT QueryInterface(const engine::GUID& iid, void** object) override;
    engine::ULONG AddRef() override;
    engine::ULONG Release() override;
    HRESULT Write(const void* data, std::uint32_t size, std::uint32_t* processedSize) override;
    HRESULT Seek(std::int64_t offset, std::uint32_t seekOrigin,
                 std::uint64_t* newPosition) override;
    HRESULT SetSize(std::uint64_t newSize) override;

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

} // namespace vimo
