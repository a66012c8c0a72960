#include "archive/ArchiveWriter.h"
#include "archive/EngineLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Paths.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "support/Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vimo::test {
namespace {

// The stand-in engines built with the tests: shared objects on Linux, DLLs on Windows.
fs::path fakePath(const std::string& name)
{
    return fs::absolute(fs::path(VIMO_FAKE_ENGINE_DIR) / (name + VIMO_MODULE_SUFFIX));
}

std::u16string fake(const std::string& name)
{
    return u16(fakePath(name));
}

class EngineLoadingTest : public ::testing::Test
{
protected:
    TempDir dir;
};

TEST_F(EngineLoadingTest, RefusesTheSevenZipFormatWithoutLoadingAnything)
{
    ArchiveWriter writer({fake("fake_engine_failing_create")});
    EXPECT_EQ(writer.init(ArchiveFormat7z), E_INVALIDARG);
    EXPECT_EQ(writer.init(static_cast<ArchiveFormat>(0)), E_INVALIDARG);
    EXPECT_FALSE(moduleIsLoaded(fakePath("fake_engine_failing_create")));
    EXPECT_TRUE(writer.libraryPath().empty());
}

TEST_F(EngineLoadingTest, RefusesMissingRelativeAndForeignEngines)
{
    {
        ArchiveWriter writer({u"/nonexistent/7z.so", u16(dir.path() / "7z.so")});
        EXPECT_EQ(writer.init(ArchiveFormatZip), E_FAIL);
    }
    {
        // A relative path would let the loader resolve it against the working folder.
        const fs::path relative =
            fs::relative(fakePath("fake_engine_failing_create"), fs::current_path());
        ASSERT_TRUE(fs::exists(relative));
        ArchiveWriter writer({u16(relative)});
        EXPECT_EQ(writer.init(ArchiveFormatZip), E_FAIL);
        EXPECT_FALSE(moduleIsLoaded(fakePath("fake_engine_failing_create")));
    }
    {
        // Another interface layout would be called through the wrong vtable slots.
        ArchiveWriter writer({fake("fake_engine_other_type"), fake("fake_engine_failing_create")});
        EXPECT_EQ(writer.init(ArchiveFormatZip), E_FAIL);
        EXPECT_FALSE(moduleIsLoaded(fakePath("fake_engine_other_type")));
        EXPECT_FALSE(moduleIsLoaded(fakePath("fake_engine_failing_create")))
            << "only the first existing candidate is tried";
        EXPECT_EQ(writer.addFile(fake("fake_engine_other_type"), u"x"), E_UNEXPECTED);
    }
}

// On Windows the module exports no string functions: the system's (oleaut32) are taken, so the
// failing CreateObject is reached and its code reported.
TEST_F(EngineLoadingTest, ReportsAModuleWithoutUsableCreateObject)
{
    const fs::path noCreate = fakePath("fake_engine_no_create");
    {
        ArchiveWriter writer({u"/nonexistent/7z.so", u16(noCreate)});
        EXPECT_EQ(writer.init(ArchiveFormatZip), E_FAIL);
        EXPECT_TRUE(moduleIsLoaded(noCreate)) << "stays loaded until the writer goes";
    }
    EXPECT_FALSE(moduleIsLoaded(noCreate));

    ArchiveWriter failing({fake("fake_engine_failing_create")});
    EXPECT_EQ(failing.init(ArchiveFormatZip), static_cast<HRESULT>(0x80040111u));
    EXPECT_EQ(failing.create(u16(dir.path() / "a.zip")), E_UNEXPECTED);
    EXPECT_FALSE(fs::exists(dir.path() / "a.zip"));
}

TEST_F(EngineLoadingTest, DefaultSearchLooksBesideTheProgramFirst)
{
    const std::vector<std::u16string> candidates =
        EngineLibrary::defaultCandidates(Platform::system());
    ASSERT_FALSE(candidates.empty());
    EXPECT_EQ(toFsPath(candidates.front()).parent_path(),
              toFsPath(Platform::system().programFolder()));
    const auto installed =
        std::find_if(candidates.begin(), candidates.end(),
                     [](const std::u16string& path) { return FileSystem::system().exists(path); });
    ArchiveWriter writer;
    if (installed == candidates.end()) {
        EXPECT_EQ(writer.init(ArchiveFormatZip), E_FAIL);
        EXPECT_NE(writer.lastError().reason.find(toUtf8(candidates.front())), std::string::npos)
            << writer.lastError().reason;
    } else {
        ASSERT_EQ(writer.init(ArchiveFormatZip), S_OK);
        EXPECT_EQ(writer.libraryPath(), *installed);
    }
}

} // namespace
} // namespace vimo::test
