#include "platform/Text.h"
#include "support/Fixtures.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <functional>

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
         "line "},
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

} // namespace
} // namespace vimo::test
