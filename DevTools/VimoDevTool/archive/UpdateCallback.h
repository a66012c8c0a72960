#pragma once

#include "archive/ArchiveItem.h"
#include "archive/EngineInterfaces.h"
#include "archive/StreamFailure.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vimo {

// What the engine asks about each member while it writes an archive. Reference counted;
// created with count 0. Strings it hands out come from the engine module's allocator.
class UpdateCallback final : public engine::IArchiveUpdateCallback,
                             public engine::ICryptoGetTextPassword
{
public:
    // Member files that cannot be opened or read are recorded in `failures` when one is given;
    // they are opened through `files`.
    explicit UpdateCallback(const engine::EngineRuntime& runtime, StreamFailurePtr failures = {},
                            FileSystem& files = FileSystem::system());
    virtual ~UpdateCallback();

    // Sets the archive's password (an empty one means none).
    void setPassword(const std::u16string& password);
    // Appends a member; the engine asks for members by their index in this list.
    void addMember(ArchiveItem item);
    const std::vector<ArchiveItem>& members() const { return m_members; }

    HRESULT QueryInterface(const engine::GUID& iid, void** object) override;
    engine::ULONG AddRef() override;
    engine::ULONG Release() override;
    HRESULT SetTotal(std::uint64_t total) override;
    HRESULT SetCompleted(const std::uint64_t* completeValue) override;
    HRESULT GetUpdateItemInfo(std::uint32_t index, std::int32_t* newData,
                              std::int32_t* newProperties, std::uint32_t* indexInArchive) override;
    HRESULT GetProperty(std::uint32_t index, engine::PROPID propId,
                        engine::PROPVARIANT* value) override;
    HRESULT GetStream(std::uint32_t index, engine::ISequentialInStream** inStream) override;
    HRESULT SetOperationResult(std::int32_t operationResult) override;
    HRESULT CryptoGetTextPassword(engine::BSTR* password) override;

    // How many callback objects exist right now; lets tests see that every one was destroyed.
    static long liveObjects();

private:
    void clearValue(engine::PROPVARIANT* value) const;

    // The engine may take and drop references on its worker threads.
    std::atomic<std::uint32_t> m_refCount{0};
    bool m_passwordDefined = false;
    std::u16string m_password;
    std::vector<ArchiveItem> m_members;
    engine::EngineRuntime m_runtime;
    StreamFailurePtr m_failures;
    FileSystem& m_files;
};

} // namespace vimo
