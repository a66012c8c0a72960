#include "platform/Text.h"
#include "support/FaultyFileSystem.h"
#include "support/Fixtures.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>

namespace vimo::test {
namespace {

// One failure of a model operation: what breaks the fixture, the operation, and the cause the
// developer must be told (the file concerned and the reason in words).
struct CauseCase
{
    const char* what;
    std::function<void(InstallationFixture&)> damage;
    std::function<HRESULT(VimoWorkspace&)> operation;
    HRESULT code;
    std::function<fs::path(InstallationFixture&)> subject;
    const char* reason;
};

fs::path catalogueOf(InstallationFixture& install, const std::string& id)
{
    return install.serviceFolder(id) / "ver1" / "VimozList.xml";
}

HRESULT loadAll(VimoWorkspace& workspace)
{
    return workspace.loadAll();
}

TEST(FailureCausesTest, EveryFailedOperationNamesItsFileAndReason)
{
    const CauseCase cases[] = {
        {"a catalogue file that is not well-formed",
         [](InstallationFixture& i) {
             writeFile(catalogueOf(i, "dev1"), "<vimozList>\n<vimoz>\n<vimo id=\"x\">");
         },
         loadAll, E_UNEXPECTED, [](InstallationFixture& i) { return catalogueOf(i, "dev1"); },
         // Wine's XML reader tells no line.
         runningUnderWine() ? "not well-formed" : "line "},
        {"a catalogue file without its entry",
         [](InstallationFixture& i) { writeFile(catalogueOf(i, "dev1"), "<vimozList/>"); }, loadAll,
         E_POINTER, [](InstallationFixture& i) { return catalogueOf(i, "dev1"); },
         "//vimozList/vimoz/vimo"},
        {"a catalogue file gone after start-up",
         [](InstallationFixture& i) { fs::remove(catalogueOf(i, "dev1")); },
         [](VimoWorkspace& w) {
             VimoInfo info;
             w.getVimo(u"dev1", info);
             return w.writeVimo(u"dev1", info);
         },
         E_FAIL, [](InstallationFixture& i) { return catalogueOf(i, "dev1"); }, "does not exist"},
        {"a package without its plug-in configuration",
         [](InstallationFixture& i) {
             fs::remove(i.packageFolder("pub1") / "Vimoz" / "VimoConfig.xml");
         },
         [](VimoWorkspace& w) { return w.disableReload(w.packagesFolder() + u"pub1"); }, E_FAIL,
         [](InstallationFixture& i) {
             return i.packageFolder("pub1") / "Vimoz" / "VimoConfig.xml";
         },
         "does not exist"},
        {"a copy of a Vimo without a package folder",
         [](InstallationFixture& i) { fs::remove_all(i.packageFolder("pub1")); },
         [](VimoWorkspace& w) {
             std::u16string id;
             return w.createDevelopmentCopy(u"pub1", id);
         },
         E_FAIL, [](InstallationFixture& i) { return i.packageFolder("pub1"); }, "does not exist"},
    };
    for (const CauseCase& c : cases) {
        SCOPED_TRACE(c.what);
        InstallationFixture install;
        install.addVimo(vimoSpec("dev1"));
        install.addVimo(vimoSpec("pub1", "deployed"));
        VimoWorkspace workspace(install.platform());
        workspace.setInstallFolder(install.installFolderU16());
        DeveloperConfiguration config;
        config.allowedExtensions = {u"html", u"png", u"xml"};
        workspace.setConfiguration(config);
        ASSERT_EQ(workspace.loadAll(), S_OK);
        c.damage(install);
        const HRESULT result = c.operation(workspace);
        EXPECT_EQ(result, c.code);
        const Failure& cause = workspace.lastError();
        EXPECT_EQ(cause.code, c.code);
        EXPECT_EQ(cause.subject, u16(c.subject(install)));
        EXPECT_NE(cause.reason.find(c.reason), std::string::npos) << cause.reason;
        EXPECT_NE(cause.describe().find(c.reason), std::string::npos);

        // The next operation that succeeds leaves no cause behind.
        EXPECT_GE(workspace.removeVimoListCache(u"dev1"), 0);
        EXPECT_TRUE(workspace.lastError().empty()) << workspace.lastError().describe();
    }
}

// Every file and folder below `folder`, with the content of each file: equal snapshots mean that
// nothing was added, removed or changed.
std::map<fs::path, std::string> snapshot(const fs::path& folder)
{
    std::map<fs::path, std::string> entries;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        entries[entry.path()] = entry.is_regular_file() ? readFile(entry.path()) : "(folder)";
    }
    return entries;
}

// One file-system failure, injected where each operation meets it: the folder it writes into for
// a refused write or a full disk, a file it reads for a failed read or a file that vanished after
// it was listed. Each operation must fail, name the file and the reason, and change nothing.
struct FaultShape
{
    const char* shape;
    FaultyFileSystem& (FaultyFileSystem::*inject)(const std::u16string&);
    bool onWrite;
    // The reason, in words, of the catalogue save, the archive build and the copy.
    std::array<const char*, 3> reasons;
};

TEST(FailureCausesTest, InjectedFileSystemFailuresChangeNothingAndSayWhy)
{
    InstallationFixture probe;
    const auto engines = probe.platform().archiveEngineCandidates();
    if (std::none_of(engines.begin(), engines.end(),
                     [](const std::u16string& path) { return fs::exists(fs::path(path)); })) {
        GTEST_SKIP() << "no archive engine is installed where the tool looks for one";
    }
    const FaultShape shapes[] = {
        {"a refused write",
         &FaultyFileSystem::refuseWrites,
         true,
         {"Permission denied", "Permission denied", "Permission denied"}},
        {"a full disk",
         &FaultyFileSystem::fillDisk,
         true,
         {"No space left on device", "No space left on device", "No space left on device"}},
        {"a failed read",
         &FaultyFileSystem::failReads,
         false,
         {"Input/output error", "Input/output error", "Input/output error"}},
        {"a file that vanished after it was listed",
         &FaultyFileSystem::vanish,
         false,
         {"does not exist", "no longer exists", "No such file or directory"}},
    };
    for (const FaultShape& shape : shapes) {
        SCOPED_TRACE(shape.shape);
        InstallationFixture install;
        const fs::path dev = install.addVimo(vimoSpec("dev1"));
        const fs::path published = install.addVimo(vimoSpec("pub1", "deployed"));
        const fs::path services = dev.parent_path();
        VimoWorkspace workspace(install.platform());
        workspace.setInstallFolder(install.installFolderU16());
        DeveloperConfiguration config;
        config.allowedExtensions = {u"html", u"png"};
        workspace.setConfiguration(config);
        ASSERT_EQ(workspace.loadAll(), S_OK);
        std::u16string unsupported;
        ASSERT_EQ(workspace.buildUploadPackage(u"dev1", unsupported), S_OK);
        const fs::path archive = dev.string() + ".zip";
        const auto before = snapshot(install.installFolder());

        // Runs one operation with the fault on `writtenInto` or `read`, as the shape says.
        auto failing = [&](const fs::path& writtenInto, const fs::path& read, auto operation) {
            FaultyFileSystem files;
            (files.*shape.inject)(u16(shape.onWrite ? writtenInto : read));
            install.platform().files = &files;
            const HRESULT hr = operation();
            install.platform().files = nullptr;
            EXPECT_GT(files.injected(), 0);
            EXPECT_LT(hr, 0);
            EXPECT_EQ(workspace.lastError().code, hr);
            EXPECT_EQ(snapshot(install.installFolder()), before);
            return workspace.lastError();
        };

        const fs::path catalogue = dev / "ver1" / "VimozList.xml";
        const Failure saved = failing(dev / "ver1", catalogue, [&] {
            VimoInfo info;
            workspace.getVimo(u"dev1", info);
            info.name = u"Renamed";
            return workspace.writeVimo(u"dev1", info);
        });
        EXPECT_EQ(saved.subject, u16(catalogue));
        EXPECT_NE(saved.reason.find(shape.reasons[0]), std::string::npos) << saved.reason;

        const fs::path page = dev / "ver1" / "content" / "dev1" / "index.html";
        const Failure built = failing(
            services, page, [&] { return workspace.buildUploadPackage(u"dev1", unsupported); });
        EXPECT_EQ(built.subject, u16(shape.onWrite ? archive : page));
        EXPECT_NE(built.reason.find(shape.reasons[1]), std::string::npos) << built.reason;

        const fs::path original = published / "ver1" / "content" / "pub1" / "index.html";
        const Failure copied = failing(services, original, [&] {
            std::u16string id;
            return workspace.createDevelopmentCopy(u"pub1", id);
        });
        EXPECT_NE(copied.describe().find((shape.onWrite ? services : original).string()),
                  std::string::npos)
            << copied.describe();
        EXPECT_NE(copied.reason.find(shape.reasons[2]), std::string::npos) << copied.reason;
    }
}

} // namespace
} // namespace vimo::test
