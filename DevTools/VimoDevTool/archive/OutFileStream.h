#pragma once

#include "archive/EngineInterfaces.h"
#include "archive/FileHandle.h"
#include "archive/StreamFailure.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace vimo {

// The archive file as the engine writes it. Reference counted; created with count 0; the file
// is closed when the last reference goes.
class OutFileStream final : public engine::IOutStream
{
public:
    OutFileStream();
    virtual ~OutFileStream();

    // Creates (or truncates) the archive file; false (errno set) when it cannot be. A failed
    // write is recorded in `failures` when one is given.
    bool open(const std::u16string& path, CreateMode mode = CreateMode::CreateAlways,
              StreamFailurePtr failures = {});

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
    FileHandle m_file;
    std::u16string m_path;
    StreamFailurePtr m_failures;

    HRESULT failWith(int error);
};

} // namespace vimo
