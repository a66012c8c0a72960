#include "archive/EngineLibrary.h"
#include "archive/InFileStream.h"
#include "archive/OutFileStream.h"
#include "archive/UpdateCallback.h"
#include "platform/Platform.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

namespace vimo::test {
namespace {

using namespace vimo::engine;

// Takes a fresh stream's first reference, as the adapter does when it stores one.
template <typename T> T* held(T* object)
{
    object->AddRef();
    return object;
}

TEST(InFileStreamTest, ReadsAtMostSixteenMebibytesPerCall)
{
    TempDir dir;
    const std::string data(20000000, 'r');
    writeFile(dir.path() / "big", data);
    InFileStream* stream = held(new InFileStream);
    ASSERT_TRUE(stream->open(u16(dir.path() / "big")));
    std::vector<char> buffer(20000000);
    std::uint32_t processed = 1;
    ASSERT_EQ(stream->Read(buffer.data(), 20000000, &processed), S_OK);
    EXPECT_EQ(processed, 16777216u);
    ASSERT_EQ(stream->Read(buffer.data(), 20000000, &processed), S_OK);
    EXPECT_EQ(processed, 20000000u - 16777216u);
    ASSERT_EQ(stream->Read(buffer.data(), 10, &processed), S_OK);
    EXPECT_EQ(processed, 0u);
    EXPECT_EQ(stream->Read(buffer.data(), 10, nullptr), S_OK);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(InFileStreamTest, SeeksFromEachOriginAndRefusesOthers)
{
    TempDir dir;
    writeFile(dir.path() / "f", "0123456789");
    InFileStream* stream = held(new InFileStream);
    ASSERT_TRUE(stream->open(u16(dir.path() / "f")));
    std::uint64_t position = 99;
    EXPECT_EQ(stream->Seek(4, 0, &position), S_OK);
    EXPECT_EQ(position, 4u);
    EXPECT_EQ(stream->Seek(2, 1, &position), S_OK);
    EXPECT_EQ(position, 6u);
    EXPECT_EQ(stream->Seek(-3, 2, &position), S_OK);
    EXPECT_EQ(position, 7u);
    EXPECT_EQ(stream->Seek(0, 3, &position), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(position, 7u);
    EXPECT_LT(stream->Seek(-20, 1, nullptr), 0);
    char byte = 0;
    std::uint32_t processed = 0;
    ASSERT_EQ(stream->Read(&byte, 1, &processed), S_OK);
    EXPECT_EQ(byte, '7') << "a refused seek must not move";
    stream->Release();
}

TEST(InFileStreamTest, ReportsSixtyFourBitSizesAndReadFailures)
{
    TempDir dir;
    const fs::path sparse = dir.path() / "sparse";
    writeFile(sparse, "");
    fs::resize_file(sparse, 5ULL * 1024 * 1024 * 1024 + 3);
    InFileStream* stream = held(new InFileStream);
    ASSERT_TRUE(stream->open(u16(sparse)));
    std::uint64_t size = 0;
    EXPECT_EQ(stream->GetSize(&size), S_OK);
    EXPECT_EQ(size, 5ULL * 1024 * 1024 * 1024 + 3);

    // A failed read must read as a failure, never as a short (truncating) success. Linux opens
    // a folder and fails its reads; Windows refuses to open one at all.
    if (kOnWindows) {
        EXPECT_FALSE(stream->open(u16(dir.path())));
    } else {
        ASSERT_TRUE(stream->open(u16(dir.path())));
        char buffer[16];
        std::uint32_t processed = 7;
        EXPECT_EQ(stream->Read(buffer, sizeof buffer, &processed),
                  hresultFromWin32(ERROR_PATH_NOT_FOUND));
        EXPECT_EQ(processed, 0u);
    }
    stream->Release();
    InFileStream* missing = held(new InFileStream);
    EXPECT_FALSE(missing->open(u16(dir.path() / "missing")));
    EXPECT_FALSE(fs::exists(dir.path() / "missing")) << "opening never creates";
    missing->Release();
}

TEST(InFileStreamTest, AnswersItsTwoInterfacesAndDiesWithItsLastReference)
{
    const long before = InFileStream::liveObjects();
    InFileStream* stream = held(new InFileStream);
    void* object = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, &object), E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialInStream, &object), E_NOINTERFACE);
    EXPECT_EQ(stream->QueryInterface(IID_IInStream, &object), S_OK);
    EXPECT_EQ(object, static_cast<IInStream*>(stream));
    ASSERT_EQ(stream->QueryInterface(IID_IStreamGetSize, &object), S_OK);
    auto* getSize = static_cast<IStreamGetSize*>(object);
    EXPECT_NE(static_cast<void*>(getSize), static_cast<void*>(static_cast<IInStream*>(stream)));
    EXPECT_EQ(stream->Release(), 2u);
    EXPECT_EQ(static_cast<IInStream*>(stream)->Release(), 1u);
    EXPECT_EQ(InFileStream::liveObjects(), before + 1);
    EXPECT_EQ(getSize->Release(), 0u);
    EXPECT_EQ(InFileStream::liveObjects(), before);
}

TEST(OutFileStreamTest, WritesInBlocksSetsSizeAndReportsAFullDisk)
{
    TempDir dir;
    const fs::path path = dir.path() / "out";
    writeFile(path, "previous content that is longer");
    OutFileStream* stream = held(new OutFileStream);
    ASSERT_TRUE(stream->open(u16(path)));
    EXPECT_EQ(fs::file_size(path), 0u) << "an existing file is replaced";
    const std::string data(20000000, 'w');
    std::uint32_t processed = 0;
    ASSERT_EQ(stream->Write(data.data(), 20000000, &processed), S_OK);
    EXPECT_EQ(processed, 16777216u);

    std::uint64_t position = 0;
    ASSERT_EQ(stream->Seek(10, 0, &position), S_OK);
    EXPECT_EQ(stream->SetSize(100), S_OK);
    EXPECT_EQ(fs::file_size(path), 100u);
    EXPECT_EQ(stream->SetSize(5), S_OK);
    EXPECT_EQ(fs::file_size(path), 5u);
    ASSERT_EQ(stream->Seek(0, 1, &position), S_OK);
    EXPECT_EQ(position, 10u) << "SetSize keeps the position";
    EXPECT_EQ(stream->Seek(0, 7, &position), STG_E_INVALIDFUNCTION);

    void* object = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialOutStream, &object), E_NOINTERFACE);
    EXPECT_EQ(stream->QueryInterface(IID_IOutStream, &object), S_OK);
    EXPECT_EQ(stream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);

    if (fs::exists("/dev/full")) {
        OutFileStream* full = held(new OutFileStream);
        ASSERT_TRUE(full->open(u"/dev/full"));
        EXPECT_EQ(full->Write("x", 1, &processed), hresultFromWin32(ERROR_DISK_FULL));
        EXPECT_EQ(processed, 0u);
        full->Release();
    }
    EXPECT_EQ(OutFileStream::liveObjects(), 0);
}

class UpdateCallbackTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The engine the tool would use (Linux's, installed with the package) or else a
        // stand-in with the same string functions: on Windows the system's (oleaut32), which
        // 7z.dll uses too.
        std::vector<std::u16string> engines = EngineLibrary::defaultCandidates(Platform::system());
        engines.push_back(u16(fs::absolute(fs::path(VIMO_FAKE_ENGINE_DIR) /
                                           ("fake_engine_failing_create" VIMO_MODULE_SUFFIX))));
        ASSERT_EQ(m_engine.load(engines), S_OK) << m_engine.error();
        m_callback = held(new UpdateCallback(m_engine.runtime()));
        ArchiveItem file;
        file.path = u16(m_dir.path() / "file.txt");
        file.name = u"orvo42Vimoz/file ✓.txt";
        file.size = 5ULL << 32;
        file.attributes = FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY;
        file.modificationTime = {0x11111111, 0x01D00000};
        writeFile(m_dir.path() / "file.txt", "text");
        m_callback->addMember(file);
        ArchiveItem folder;
        folder.path = u16(m_dir.path());
        folder.name = u"orvo42Vimoz";
        folder.isFolder = true;
        folder.attributes = FILE_ATTRIBUTE_DIRECTORY;
        m_callback->addMember(folder);
    }
    void TearDown() override
    {
        if (m_callback) {
            EXPECT_EQ(m_callback->Release(), 0u);
        }
        EXPECT_EQ(UpdateCallback::liveObjects(), 0);
        EXPECT_EQ(InFileStream::liveObjects(), 0);
    }

    TempDir m_dir;
    EngineLibrary m_engine;
    UpdateCallback* m_callback = nullptr;
};

TEST_F(UpdateCallbackTest, AnswersEveryPropertyTheEngineAsksFor)
{
    PROPVARIANT value{};
    ASSERT_EQ(m_callback->GetProperty(0, kpidPath, &value), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(fromWide(value.bstrVal), u"orvo42Vimoz/file ✓.txt");
    // The value is cleared before the next answer, releasing the string through the engine.
    ASSERT_EQ(m_callback->GetProperty(0, kpidSize, &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI8);
    EXPECT_EQ(value.uhVal, 5ULL << 32);
    ASSERT_EQ(m_callback->GetProperty(0, kpidIsDir, &value), S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_FALSE);
    ASSERT_EQ(m_callback->GetProperty(1, kpidIsDir, &value), S_OK);
    EXPECT_EQ(value.boolVal, VARIANT_TRUE);
    ASSERT_EQ(m_callback->GetProperty(0, kpidAttrib, &value), S_OK);
    EXPECT_EQ(value.vt, VT_UI4);
    EXPECT_EQ(value.ulVal, 0x21u);
    ASSERT_EQ(m_callback->GetProperty(0, kpidMTime, &value), S_OK);
    EXPECT_EQ(value.vt, VT_FILETIME);
    EXPECT_EQ(value.filetime.dwHighDateTime, 0x01D00000u);
    ASSERT_EQ(m_callback->GetProperty(0, kpidCTime, &value), S_OK);
    EXPECT_EQ(value.vt, VT_FILETIME);
    EXPECT_EQ(value.filetime.dwLowDateTime | value.filetime.dwHighDateTime, 0u);
    ASSERT_EQ(m_callback->GetProperty(99, kpidIsAnti, &value), S_OK);
    EXPECT_EQ(value.vt, VT_BOOL);
    EXPECT_EQ(value.boolVal, VARIANT_FALSE);
    ASSERT_EQ(m_callback->GetProperty(0, 28 /* comment */, &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);
    ASSERT_EQ(m_callback->GetProperty(99, kpidPath, &value), S_OK);
    EXPECT_EQ(value.vt, VT_EMPTY);

    std::int32_t newData = 0, newProperties = 0;
    std::uint32_t indexInArchive = 0;
    EXPECT_EQ(m_callback->GetUpdateItemInfo(0, &newData, &newProperties, &indexInArchive), S_OK);
    EXPECT_EQ(newData, 1);
    EXPECT_EQ(newProperties, 1);
    EXPECT_EQ(indexInArchive, 0xFFFFFFFFu);
    EXPECT_EQ(m_callback->GetUpdateItemInfo(0, nullptr, nullptr, nullptr), S_OK);
}

TEST_F(UpdateCallbackTest, HandsOutStreamsOnlyForReadableFiles)
{
    ISequentialInStream* stream = nullptr;
    ASSERT_EQ(m_callback->GetStream(0, &stream), S_OK);
    ASSERT_NE(stream, nullptr);
    char buffer[8];
    std::uint32_t processed = 0;
    ASSERT_EQ(stream->Read(buffer, sizeof buffer, &processed), S_OK);
    EXPECT_EQ(std::string(buffer, processed), "text");
    EXPECT_EQ(InFileStream::liveObjects(), 1);
    EXPECT_EQ(stream->Release(), 0u);

    stream = reinterpret_cast<ISequentialInStream*>(1);
    EXPECT_EQ(m_callback->GetStream(1, &stream), S_OK);
    EXPECT_EQ(stream, nullptr) << "a folder has no data";

    fs::remove(m_dir.path() / "file.txt");
    EXPECT_EQ(m_callback->GetStream(0, &stream), E_INVALIDARG);
    EXPECT_EQ(stream, nullptr);
    EXPECT_FALSE(fs::exists(m_dir.path() / "file.txt"));
}

TEST_F(UpdateCallbackTest, GivesThePasswordOnlyWhenOneWasSet)
{
    void* object = nullptr;
    EXPECT_EQ(m_callback->QueryInterface(IID_IArchiveUpdateCallback, &object), E_NOINTERFACE);
    EXPECT_EQ(m_callback->QueryInterface(IID_IUnknown, &object), E_NOINTERFACE);
    ASSERT_EQ(m_callback->QueryInterface(IID_ICryptoGetTextPassword, &object), S_OK);
    auto* crypto = static_cast<ICryptoGetTextPassword*>(object);
    BSTR password = nullptr;
    EXPECT_EQ(crypto->CryptoGetTextPassword(&password), E_ABORT);
    EXPECT_EQ(password, nullptr);
    m_callback->setPassword(u"sécret");
    ASSERT_EQ(crypto->CryptoGetTextPassword(&password), S_OK);
    EXPECT_EQ(fromWide(password), u"sécret");
    m_engine.runtime().sysFreeString(password);
    EXPECT_EQ(crypto->Release(), 1u);
}

TEST(WideTextTest, CarriesCharactersBeyondTheBasicPlaneBothWays)
{
    // Linux's wide characters are 32 bits, Windows' are UTF-16 as ours: a surrogate pair there
    // and an unpaired surrogate kept as it is.
    const std::u16string text = u"a\U0001F600b";
    const std::wstring wide = toWide(text);
    EXPECT_EQ(wide, L"a\U0001F600b");
    EXPECT_EQ(wide.size(), kOnWindows ? 4u : 3u);
    EXPECT_EQ(fromWide(wide), text);
    EXPECT_EQ(toWide(std::u16string(1, u'\xD800')),
              std::wstring(1, static_cast<wchar_t>(kOnWindows ? 0xD800 : 0xFFFD)));
}

} // namespace
} // namespace vimo::test
