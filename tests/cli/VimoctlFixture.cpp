#include "VimoctlFixture.h"

#include <algorithm>

namespace vimo::test {

Json parseJson(const std::string& text)
{
    return Json::parse(text);
}

VimoSpec vimo(const std::string& id, const std::string& name)
{
    VimoSpec spec;
    spec.id = id;
    spec.name = name;
    return spec;
}

std::size_t lineCount(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

std::string nativePath(const std::string& relative)
{
    return fs::path(relative).make_preferred().string();
}

std::set<std::string> failedChecks(const Json& answer)
{
    std::set<std::string> failed;
    for (const Json& check : answer["checks"]) {
        if (!check["passed"].get<bool>()) {
            failed.insert(check["check"].get<std::string>());
        }
    }
    return failed;
}

std::set<std::string> checksWithoutEngine()
{
    return runningUnderWine() ? std::set<std::string>{"size"} : std::set<std::string>{};
}

void populate(InstallationFixture& install)
{
    install.addVimo(vimo("dev1", "Alpha"));
    VimoSpec web = vimo("dev2", "Beta");
    web.url = "https://example.org/app/index.html";
    web.type = "dhtml";
    install.addVimo(web);
    VimoSpec published = vimo("pub1", "Gamma");
    published.devStatus = "deployed";
    install.addVimo(published);
    VimoSpec foreign = vimo("other", "Not mine");
    foreign.userCreated = "false";
    install.addVimo(foreign);
    const fs::path dev1 = install.serviceFolder("dev1");
    writeFile(dev1 / "notes.txt", "not for upload\n");
    writeFile(dev1 / "Thumbs.db", "thumbs");
    writeFile(dev1 / "ver1" / "content" / "dev1" / "style.css", "body { margin: 0 }\n");
    writeFile(dev1 / "ver1" / "VimoList.bin", "cache");
}

void VimoctlTest::SetUp()
{
    populate(install);
    runner.findInstallation(install);
    runner.workingFolder = install.root();
    runner.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
    runner.env["HOME"] = install.root().string();
    // Where Windows keeps a program's local data: inside the fixture as well.
    runner.env["LOCALAPPDATA"] = (install.root() / "local").string();
    runner.env["PATH"] = (install.root() / "bin").string();
}

std::unique_ptr<VimoctlTest::Twin> VimoctlTest::makeTwin() const
{
    auto twin = std::make_unique<Twin>();
    populate(twin->install);
    twin->install.platform().env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
    EXPECT_GE(twin->workspace.locateInstallation(), 0);
    EXPECT_GE(twin->workspace.loadDeveloperConfiguration(), 0);
    EXPECT_GE(twin->workspace.loadAll(), 0);
    return twin;
}

std::string VimoctlTest::catalogueText(const std::string& id) const
{
    return readFile(install.serviceFolder(id) / "ver1" / "VimozList.xml");
}

} // namespace vimo::test
