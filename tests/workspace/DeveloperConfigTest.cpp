#include "platform/Text.h"
#include "support/ConfigServer.h"
#include "support/Fixtures.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace vimo::test {

namespace {

const std::string kConfPath = "/pages/xml/openvimoz_conf.xml";

std::string configuration(const std::string& general, const std::string& extensions,
                          const std::string& ignored)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<confList>\n" + general + extensions +
           ignored + "</confList>\n";
}

std::string
general(const std::string& name = "<vimoNameLengthLimit value=\"50\"/>",
        const std::string& desc = "<vimoDescLengthLimit value=\"500\"/>",
        const std::string& main = "<localVimoMainFile value=\"http://x.example/m.vimo\"/>")
{
    return "<generalConfig>" + name + desc + main + "</generalConfig>\n";
}

// The causes that differ by system: WinHTTP's time-out in words, and MSXML's parse error (Wine's
// MSXML tells no line).
const char* const kTimedOut = kOnWindows ? "did not answer in time" : "imed out";
std::string parseErrorAt(int line)
{
    return kOnWindows ? "not well-formed" : "line " + std::to_string(line);
}

const std::string kExtensions = "<extensions><ext value=\"html\"/></extensions>\n";
const std::string kIgnored = "<filesToIgnore><file value=\"Thumbs.db\"/></filesToIgnore>\n";

class DeveloperConfig : public ::testing::Test
{
protected:
    DeveloperConfig()
    {
        platform.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
        workspace.setDownloadTimeouts(2000, 5000);
    }

    HRESULT load(const std::string& xml)
    {
        server.setConfiguration(xml);
        return workspace.loadDeveloperConfiguration();
    }
    std::u16string templateAddress() const
    {
        return fromUtf8(server.baseUrl()) + u"/template_vimo/index.vimo";
    }

    ConfigServer server;
    TestPlatform platform;
    VimoWorkspace workspace{platform};
};

} // namespace

TEST_F(DeveloperConfig, ReadsAGoodDocumentOnce)
{
    // Counted in the handler: the server's own count is taken after the answer went out.
    auto requests = std::make_shared<std::atomic<int>>(0);
    server.setHandler(kConfPath, [requests] {
        ++*requests;
        return HttpReply{.body = ConfigServer::defaultConfiguration()};
    });
    ASSERT_EQ(workspace.loadDeveloperConfiguration(), S_OK);
    EXPECT_EQ(workspace.nameLengthLimit(), 50);
    EXPECT_EQ(workspace.descLengthLimit(), 500);
    EXPECT_EQ(workspace.localMainFileUrl(), u"http://developer.example/template_vimo/index.vimo");
    EXPECT_EQ(workspace.allowedExtensions(),
              (StringSet{u"css", u"gif", u"htm", u"html", u"jpg", u"js", u"json", u"png", u"xml"}));
    EXPECT_EQ(workspace.ignoredFiles(), (StringSet{u".DS_Store", u"Thumbs.db"}));
    EXPECT_EQ(*requests, 1);
}

TEST_F(DeveloperConfig, LimitsFollowTheIntegerRuleAndDefaults)
{
    ASSERT_EQ(load(configuration(general("<vimoNameLengthLimit value=\"50\"/>",
                                         "<vimoDescLengthLimit value=\"abc\"/>"),
                                 kExtensions, kIgnored)),
              S_OK);
    EXPECT_EQ(workspace.nameLengthLimit(), 50);
    EXPECT_EQ(workspace.descLengthLimit(), 1024);

    VimoWorkspace second(platform);
    ASSERT_EQ(
        (server.setConfiguration(configuration(general("<vimoNameLengthLimit value=\"  64chars\"/>",
                                                       "<vimoDescLengthLimit value=\"-3\"/>",
                                                       "<localVimoMainFile value=\"\"/>"),
                                               kExtensions, kIgnored)),
         second.loadDeveloperConfiguration()),
        S_OK);
    EXPECT_EQ(second.nameLengthLimit(), 64);
    EXPECT_EQ(second.descLengthLimit(), -3);
    EXPECT_EQ(second.localMainFileUrl(), templateAddress());

    VimoWorkspace third(platform);
    ASSERT_EQ((server.setConfiguration(configuration(general("<vimoNameLengthLimit/>",
                                                             "<vimoDescLengthLimit value=\"0\"/>",
                                                             "<localVimoMainFile/>"),
                                                     kExtensions, kIgnored)),
               third.loadDeveloperConfiguration()),
              S_OK);
    EXPECT_EQ(third.nameLengthLimit(), 100);
    EXPECT_EQ(third.descLengthLimit(), 1024);
    EXPECT_EQ(third.localMainFileUrl(), templateAddress());
}

TEST_F(DeveloperConfig, ListsKeepEachNonEmptyValueOnceAsWritten)
{
    const std::string extensions = "<extensions>\n  <!-- allowed -->\n  <ext value=\"html\"/>"
                                   "<other value=\"HTML\"/>text<ext value=\"png\"/><ext/>"
                                   "<ext value=\"\"/><ext value=\"png\"/><ext value=\" .js\"/>"
                                   "</extensions>\n";
    ASSERT_EQ(load(configuration(general(), extensions, kIgnored)), S_OK);
    EXPECT_EQ(workspace.allowedExtensions(), (StringSet{u" .js", u"HTML", u"html", u"png"}));
    EXPECT_EQ(workspace.ignoredFiles(), StringSet{u"Thumbs.db"});

    // An empty list is accepted; the document element need not be confList itself.
    VimoWorkspace nested(platform);
    server.setConfiguration("<root><confList>" + general() +
                            "<extensions/><filesToIgnore/></confList></root>");
    ASSERT_EQ(nested.loadDeveloperConfiguration(), S_OK);
    EXPECT_TRUE(nested.allowedExtensions().empty());
    EXPECT_TRUE(nested.ignoredFiles().empty());
    EXPECT_EQ(nested.nameLengthLimit(), 50);
}

TEST_F(DeveloperConfig, EachRequiredElementIsRequired)
{
    const std::string missing[] = {
        configuration(general(), "", kIgnored),
        configuration("", kExtensions, kIgnored),
        configuration(general(""), kExtensions, kIgnored),
        configuration(general("<vimoNameLengthLimit value=\"5\"/>", ""), kExtensions, kIgnored),
        configuration(
            general("<vimoNameLengthLimit value=\"5\"/>", "<vimoDescLengthLimit value=\"5\"/>", ""),
            kExtensions, kIgnored),
        configuration(general(), kExtensions, ""),
        // Names are case-sensitive, and children are looked for below generalConfig only.
        configuration(general(), "<Extensions/>", kIgnored),
        configuration("<generalConfig/><vimoNameLengthLimit value=\"5\"/>", kExtensions, kIgnored),
    };
    for (const std::string& xml : missing) {
        SCOPED_TRACE(xml);
        VimoWorkspace fresh(platform);
        server.setConfiguration(xml);
        EXPECT_EQ(fresh.loadDeveloperConfiguration(), E_POINTER);
    }

    // Without filesToIgnore the limits were already read; without extensions they were not.
    ASSERT_EQ(load(configuration(general(), kExtensions, "")), E_POINTER);
    EXPECT_EQ(workspace.nameLengthLimit(), 50);
    VimoWorkspace early(platform);
    server.setConfiguration(configuration(general(), "", kIgnored));
    ASSERT_EQ(early.loadDeveloperConfiguration(), E_POINTER);
    EXPECT_EQ(early.nameLengthLimit(), 0);
}

TEST_F(DeveloperConfig, BadDocumentsFailToParse)
{
    EXPECT_EQ(load("<confList><extensions></confList>"), E_UNEXPECTED);
    EXPECT_EQ(load(""), E_UNEXPECTED);
    EXPECT_EQ(load(configuration(general(), kExtensions, kIgnored).substr(0, 120)), E_UNEXPECTED);

    // An external entity is never resolved: the document is refused and nothing leaks in.
    const std::string passwd =
        "<?xml version=\"1.0\"?>\n<!DOCTYPE confList [<!ENTITY pw SYSTEM "
        "\"file:///etc/passwd\">]>\n"
        "<confList>" +
        general("<vimoNameLengthLimit value=\"5\"/>", "<vimoDescLengthLimit value=\"5\"/>",
                "<localVimoMainFile value=\"&pw;\"/>") +
        kExtensions + kIgnored + "</confList>\n";
    VimoWorkspace fresh(platform);
    server.setConfiguration(passwd);
    EXPECT_EQ(fresh.loadDeveloperConfiguration(), E_UNEXPECTED);
    EXPECT_EQ(fresh.localMainFileUrl().find(u"root:"), std::u16string::npos);
}

TEST(ParseDeveloperConfiguration, ReadsBytesAndNamesWhatIsWrong)
{
    struct Case
    {
        std::string xml;
        HRESULT code;
        std::string reason; // a part of the failure's reason
    };
    const Case cases[] = {
        {configuration(general(), kExtensions, kIgnored), S_OK, ""},
        {configuration(general(), "", kIgnored), E_POINTER, "no element at //confList/extensions"},
        {configuration(general(""), kExtensions, kIgnored), E_POINTER,
         "no element at //confList/generalConfig/vimoNameLengthLimit"},
        {configuration(general(), kExtensions, ""), E_POINTER,
         "no element at //confList/filesToIgnore"},
        {"<confList>", E_UNEXPECTED, parseErrorAt(1)},
        {"", E_UNEXPECTED, "the document is empty"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        DeveloperConfiguration parsed;
        Failure failure;
        EXPECT_EQ(parseDeveloperConfiguration(c.xml, u"conf.xml", u"http://d/t", parsed, failure),
                  c.code);
        EXPECT_EQ(failure.code, c.code);
        EXPECT_EQ(failure.subject, c.code == S_OK ? u"" : u"conf.xml");
        EXPECT_NE(failure.reason.find(c.reason), std::string::npos) << failure.reason;
        EXPECT_EQ(failure.reason.find("conf.xml"), std::string::npos) << "named once";
    }

    DeveloperConfiguration parsed;
    Failure failure;
    ASSERT_EQ(
        parseDeveloperConfiguration(
            configuration(general("<vimoNameLengthLimit/>", "<vimoDescLengthLimit value=\"7\"/>",
                                  "<localVimoMainFile value=\"\"/>"),
                          kExtensions, kIgnored),
            u"conf.xml", u"http://d/t", parsed, failure),
        S_OK);
    EXPECT_EQ(parsed.nameLengthLimit, 100) << "the default for a limit without a number";
    EXPECT_EQ(parsed.descLengthLimit, 7);
    EXPECT_EQ(parsed.localMainFileUrl, u"http://d/t");
    EXPECT_EQ(parsed.allowedExtensions, StringSet{u"html"});
    EXPECT_EQ(parsed.ignoredFiles, StringSet{u"Thumbs.db"});
}

TEST_F(DeveloperConfig, FailedDownloads)
{
    const std::string good = ConfigServer::defaultConfiguration();
    // An error status fails even with a good document as its body; there is no second attempt.
    auto requests = std::make_shared<std::atomic<int>>(0);
    server.setHandler(kConfPath, [good, requests] {
        ++*requests;
        return HttpReply{.status = 404, .body = good};
    });
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), E_UNEXPECTED);
    EXPECT_EQ(*requests, 1);
    EXPECT_TRUE(workspace.allowedExtensions().empty());
    EXPECT_EQ(workspace.lastError().subject, fromUtf8(server.baseUrl() + kConfPath));
    EXPECT_EQ(workspace.lastError().reason, "the server answered with HTTP status 404");

    // Nobody listening: a port the system handed out and that was closed again.
    TestPlatform offline;
    offline.env["ORVO_DEVELOPER_SERVER"] = ConfigServer::closedAddress();
    VimoWorkspace unreachable(offline);
    EXPECT_EQ(unreachable.loadDeveloperConfiguration(), E_UNEXPECTED);
}

TEST_F(DeveloperConfig, SlowServerTimesOut)
{
    server.setHandler(kConfPath, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(900));
        return HttpReply{.body = ConfigServer::defaultConfiguration()};
    });
    workspace.setDownloadTimeouts(200, 200);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), E_UNEXPECTED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(800));
}

TEST_F(DeveloperConfig, ASilentServerIsGivenUpButASlowOneIsWaitedFor)
{
    // Silent: connected, then nothing; given up after the stall time, long before the total.
    server.setHandler(kConfPath, [] {
        std::this_thread::sleep_for(std::chrono::milliseconds(3500));
        return HttpReply{.body = ConfigServer::defaultConfiguration()};
    });
    workspace.setDownloadTimeouts(2000, 30000, 1);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), E_UNEXPECTED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));

    // Slow but progressing: a piece every 400 ms for longer than the stall time.
    server.setHandler(kConfPath, [] {
        const std::string document = ConfigServer::defaultConfiguration();
        return HttpReply{.body = document,
                         .pieceSize = document.size() / 6 + 1,
                         .pause = std::chrono::milliseconds(400)};
    });
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), S_OK);
    EXPECT_GT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
    EXPECT_EQ(workspace.nameLengthLimit(), 50);
}

TEST_F(DeveloperConfig, AnswersAboveOneMebibyteAreRefused)
{
    const std::string good = ConfigServer::defaultConfiguration();
    // A well-formed document padded with a comment up to an exact size.
    auto padded = [good](std::size_t size) {
        std::string xml = good + "<!--";
        xml += std::string(size - xml.size() - 3, 'x');
        return xml + "-->";
    };
    server.setConfiguration(padded(1024 * 1024));
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), S_OK);

    VimoWorkspace known(platform);
    server.setConfiguration(padded(1024 * 1024 + 1));
    EXPECT_EQ(known.loadDeveloperConfiguration(), E_UNEXPECTED);

    // Without a length announced in advance, the transfer is cut off while it runs.
    const std::string big = padded(3 * 1024 * 1024);
    server.setHandler(kConfPath, [big] { return HttpReply{.body = big, .pieceSize = 64 * 1024}; });
    VimoWorkspace chunked(platform);
    EXPECT_EQ(chunked.loadDeveloperConfiguration(), E_UNEXPECTED);
}

TEST_F(DeveloperConfig, FollowsAtMostFiveRedirects)
{
    // The configuration's address redirects to /hop/1, each hop to the next, and /hop/<last>
    // serves the document.
    auto chain = [this](int redirects) {
        const std::string base = server.baseUrl();
        server.setHandler(kConfPath,
                          [base] { return HttpReply{.status = 302, .location = base + "/hop/1"}; });
        for (int hop = 1; hop <= 6; ++hop) {
            server.setHandler("/hop/" + std::to_string(hop), [hop, redirects] {
                if (hop >= redirects) {
                    return HttpReply{.body = ConfigServer::defaultConfiguration()};
                }
                return HttpReply{.status = 302, .location = "/hop/" + std::to_string(hop + 1)};
            });
        }
    };
    chain(5);
    EXPECT_EQ(workspace.loadDeveloperConfiguration(), S_OK);
    chain(6);
    VimoWorkspace tooMany(platform);
    EXPECT_EQ(tooMany.loadDeveloperConfiguration(), E_UNEXPECTED);
}

TEST(DeveloperServers, EnvironmentOrBuiltInDefaults)
{
    TestPlatform platform;
    platform.env["ORVO_DEVELOPER_SERVER"] = std::nullopt;
    platform.env["ORVO_CONTENT_SERVER"] = std::nullopt;
    VimoWorkspace workspace(platform);
    EXPECT_EQ(workspace.developerServer(), u"http://developer.orvo.com");
    EXPECT_EQ(workspace.contentServer(), u"http://www.orvo.com");

    platform.env["ORVO_DEVELOPER_SERVER"] = "http://127.0.0.1:8080/";
    platform.env["ORVO_CONTENT_SERVER"] = "http://content.example";
    EXPECT_EQ(workspace.developerServer(), u"http://127.0.0.1:8080");
    EXPECT_EQ(workspace.contentServer(), u"http://content.example");
}

// Start-up ends on any of these; what the developer is told must name the address and why.
TEST_F(DeveloperConfig, EveryFailureNamesTheAddressAndTheReason)
{
    struct Case
    {
        const char* what;
        std::function<void(ConfigServer&, TestPlatform&)> arrange;
        HRESULT code;
        std::string reason;
    };
    const std::string good = ConfigServer::defaultConfiguration();
    const Case cases[] = {
        {"an error status",
         [good](ConfigServer& s, TestPlatform&) {
             s.setHandler(kConfPath, [good] { return HttpReply{.status = 503, .body = good}; });
         },
         E_UNEXPECTED, "HTTP status 503"},
        {"nobody listening",
         [](ConfigServer&, TestPlatform& p) {
             p.env["ORVO_DEVELOPER_SERVER"] = ConfigServer::closedAddress();
         },
         E_UNEXPECTED, "onnect"},
        {"a slow server",
         [](ConfigServer& s, TestPlatform&) {
             s.setHandler(kConfPath, [] {
                 std::this_thread::sleep_for(std::chrono::milliseconds(600));
                 return HttpReply{.body = ConfigServer::defaultConfiguration()};
             });
         },
         E_UNEXPECTED, kTimedOut},
        {"a document that is not well-formed",
         [](ConfigServer& s, TestPlatform&) { s.setConfiguration("<confList>\n<extensions>"); },
         E_UNEXPECTED, parseErrorAt(2)},
        {"a missing element",
         [](ConfigServer& s, TestPlatform&) {
             s.setConfiguration(configuration(general(), kExtensions, ""));
         },
         E_POINTER, "//confList/filesToIgnore"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ConfigServer own;
        TestPlatform ownPlatform;
        ownPlatform.env["ORVO_DEVELOPER_SERVER"] = own.baseUrl();
        c.arrange(own, ownPlatform);
        VimoWorkspace fresh(ownPlatform);
        fresh.setDownloadTimeouts(300, 300);
        ASSERT_EQ(fresh.loadDeveloperConfiguration(), c.code);
        const Failure& cause = fresh.lastError();
        EXPECT_EQ(cause.code, c.code);
        EXPECT_EQ(toUtf8(cause.subject), *ownPlatform.env["ORVO_DEVELOPER_SERVER"] + kConfPath);
        EXPECT_NE(cause.reason.find(c.reason), std::string::npos) << cause.reason;
    }
    // The next operation starts without the old cause.
    ASSERT_EQ(load(good), S_OK);
    EXPECT_TRUE(workspace.lastError().empty());
}

} // namespace vimo::test
