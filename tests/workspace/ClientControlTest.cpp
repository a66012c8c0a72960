// What the tool asks of the client, through the recording platform: the same rules on every
// system (how each system starts, finds and counts the client is tested in platform/).

#include "platform/Text.h"
#include "support/RecordingPlatform.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

namespace vimo::test {

namespace {

class ClientControl : public ::testing::Test
{
protected:
    ClientControl() { m_workspace.setInstallFolder(u16(m_fixture.installFolder())); }

    InstallationFixture m_fixture;
    RecordingPlatform m_platform;
    VimoWorkspace m_workspace{m_platform};
};

} // namespace

TEST_F(ClientControl, StartsTheClientOfTheInstallationInItsFolder)
{
    const std::u16string program = u16(m_fixture.installFolder() / "orvo.exe");
    struct Case
    {
        bool second;
        bool starts;
        HRESULT result;
        std::vector<std::u16string> call;
    };
    const Case cases[] = {
        {false, true, S_OK, {program}},
        {true, true, S_OK, {program, u"MultiInstance"}},
        {false, false, E_FAIL, {program}},
        {true, false, E_FAIL, {program, u"MultiInstance"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.second ? "second" : "first") + (c.starts ? "" : ", fails"));
        m_platform.startResult = c.starts;
        EXPECT_EQ(c.second ? m_workspace.LaunchSecondClient() : m_workspace.LaunchClient(),
                  c.result);
        EXPECT_EQ(m_platform.started.back(), c.call);
        EXPECT_EQ(m_platform.startedIn.back(), m_fixture.installFolderU16());
        // Whatever the system said, the result is a generic failure with the system's cause.
        EXPECT_EQ(m_workspace.lastError().code, c.result == S_OK ? S_OK : E_FAIL);
        EXPECT_EQ(m_workspace.lastError().subject, c.starts ? u"" : program);
        EXPECT_EQ(m_workspace.lastError().reason, c.starts ? "" : "wine was not found on PATH");
    }

    // Without an installation there is nothing to start.
    m_platform.started.clear();
    VimoWorkspace none(m_platform);
    EXPECT_EQ(none.LaunchClient(), S_FALSE);
    EXPECT_EQ(none.LaunchSecondClient(), S_FALSE);
    EXPECT_TRUE(m_platform.started.empty());
}

TEST_F(ClientControl, CommandsGoToARunningClientOnlyAndCarryTheCause)
{
    struct Case
    {
        bool running;
        bool refresh;
        int shellAnswer;
        HRESULT result;
        std::u16string sent; // empty: nothing
    };
    const Case cases[] = {
        {false, false, 42, S_OK, u""},
        {false, true, 42, S_OK, u""},
        {true, false, 42, S_OK, u"orvo:reloadVimoList"},
        {true, true, 42, S_OK, u"orvo:refresh_packages"},
        {true, false, 2, E_FAIL, u"orvo:reloadVimoList"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(toUtf8(c.sent) + " answered " + std::to_string(c.shellAnswer));
        m_platform.clientRunning = c.running;
        m_platform.shellResult = c.shellAnswer;
        m_platform.clientCommands.clear();
        EXPECT_EQ(c.refresh ? m_workspace.NotifyRefreshPackages()
                            : m_workspace.NotifyReloadVimoList(),
                  c.result);
        EXPECT_EQ(m_platform.clientCommands,
                  c.sent.empty() ? std::vector<std::u16string>{} : std::vector{c.sent});
        EXPECT_EQ(m_workspace.lastError().subject, c.result == S_OK ? u"" : c.sent);
        EXPECT_EQ(m_workspace.lastError().reason, c.result == S_OK ? "" : "the shell answered 2");
    }
}

TEST_F(ClientControl, ASecondWindowIsTwoWholeTitlesOfTheClientsNameInAnyCase)
{
    const std::pair<std::vector<std::u16string>, bool> cases[] = {
        {{}, false},
        {{u"ORVO"}, false},
        {{u"ORVO", u"ORVO 2", u"xORVO", u" ORVO", u""}, false},
        {{u"ORVO", u"Editor", u"orvo"}, true},
        {{u"Orvo", u"oRvO", u"ORVO"}, true},
    };
    for (const auto& [titles, second] : cases) {
        SCOPED_TRACE(titles.size());
        m_platform.windowTitles = titles;
        EXPECT_EQ(m_workspace.HasSecondClientWindow(), second);
    }
}

} // namespace vimo::test
