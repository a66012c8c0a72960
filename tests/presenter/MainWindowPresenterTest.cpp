#include "PresenterFixture.h"

#include "platform/Text.h"
#include "presenter/Resource.h"

#include <algorithm>
#include <functional>

namespace vimo::test {

namespace {

using Save = MainWindowPresenter::SaveResult;
const std::u16string kSelect = u"Select an Vimo";
const std::u16string kImport = u"Create an \"Under Development\" copy of a published vimo...";
const std::u16string kSaveChanges = u"Would you like to save the changes?";
const std::u16string kReadBack = u"Please enter a positive integer.";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A fixture of its own for each case of a table.
class Fresh : public PresenterTest
{
    void TestBody() override {}
};

} // namespace

TEST_F(PresenterTest, StartupFailuresShowTheirMessageAndOpenNoWindow)
{
    const struct
    {
        const char* what;
        std::function<void(PresenterTest&)> breakIt;
        std::u16string text;
        MessageIcon icon;
        std::function<std::string(PresenterTest&)> cause; // how the detail begins
    } cases[] = {
        {"no client",
         [](PresenterTest& t) {
             t.platform.env["WINEPREFIX"] = "/nonexistent";
             t.platform.registry.clear();
         },
         u"In order to be able to use the Open Vimoz Developer tool you first need to install "
         u"Orvo 6.5 and above.",
         MessageIcon::Exclamation,
         [](PresenterTest& t) {
             return toUtf8(t.platform.registryLocation()) + ": no Orvo installation found";
         }},
        {"no configuration",
         [](PresenterTest& t) {
             t.server.setHandler("/pages/xml/openvimoz_conf.xml",
                                 [] { return HttpReply{.status = 404}; });
         },
         u"Failed to initialize Vimo Dev Tool. Exiting...", MessageIcon::Stop,
         [](PresenterTest& t) { return t.server.baseUrl() + "/pages/xml/openvimoz_conf.xml"; }},
        {"broken catalogue",
         [](PresenterTest& t) {
             t.addDev("a1", "A");
             writeFile(t.install.serviceFolder("a1") / "ver1" / "VimozList.xml", "<vimozList>");
         },
         u"Failed to initialize Vimo Dev Tool. Exiting...", MessageIcon::Stop,
         [](PresenterTest& t) {
             // MSXML's cause has its line at the end, and Wine's none.
             return (t.install.serviceFolder("a1") / "ver1" / "VimozList.xml").string() +
                    (kOnWindows ? ": not well-formed" : ": line 1");
         }},
    };
    for (const auto& c : cases) {
        Fresh t;
        c.breakIt(t);
        EXPECT_FALSE(t.presenter.start()) << c.what;
        ASSERT_EQ(t.view.messages.size(), 1u) << c.what;
        EXPECT_EQ(t.view.messages[0].text, c.text);
        EXPECT_EQ(t.view.messages[0].icon, c.icon);
        // The cause stands beside the message, never in its place.
        EXPECT_TRUE(toUtf8(t.view.messages[0].detail).starts_with(c.cause(t)))
            << toUtf8(t.view.messages[0].detail);
        EXPECT_EQ(t.view.busy, 0);
        EXPECT_TRUE(t.view.entries.empty());
    }
}

TEST_F(PresenterTest, StartupListsTheVimosAndLocksTheForm)
{
    addDev("b", "A");
    addDev("a", "B");
    addDev("C", "upper case sorts first");
    addPublished("p1", "Published");
    start();
    const std::vector<ListEntry> expected = {{kSelect, u""},
                                             {u"upper case sorts first", u"C"},
                                             {u"B", u"a"},
                                             {u"A", u"b"},
                                             {kImport, u""}};
    EXPECT_EQ(view.entries, expected);
    EXPECT_EQ(view.selection, 0);
    const std::vector<std::u16string> progress = {
        u"Loading the developer configuration from " + fromUtf8(server.baseUrl()) + u"...", u""};
    EXPECT_EQ(view.progress, progress);
    EXPECT_EQ(view.busy, 0);
    EXPECT_EQ(view.nameLimit, 50);
    EXPECT_EQ(view.descLimit, 500);
    EXPECT_EQ(view.uploadAddress, u"http://content.example/cf/orvo65/openvimoz_upload.html");
    for (int id : {res::IDC_NAME, res::IDC_DESCRIPTION, res::IDC_WIDTH, res::IDC_HEIGHT,
                   res::IDC_SOURCE_FOLDER, res::IDC_ICONS_FOLDER}) {
        EXPECT_TRUE(view.readOnly[id]) << id;
    }
    for (int id : {res::IDC_NAME, res::IDC_WIDTH_SPIN, res::IDC_HEIGHT_SPIN, res::IDC_INTERACTIVE,
                   res::IDC_OPEN_SECOND_CLIENT, res::IDC_MAIN_FILE_URL, res::IDC_OPEN_SOURCE_FOLDER,
                   res::IDC_OPEN_ICONS_FOLDER, res::IDC_LOCAL_VIMO, res::IDC_WEB_VIMO,
                   res::IDC_APPLY, res::IDC_CREATE_ZIP, res::IDC_OPEN_ARCHIVE_FOLDER}) {
        EXPECT_FALSE(view.enabled[id]) << id;
    }
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PresenterTest, ChoosingAVimoShowsItsRecordAndUnlocksTheForm)
{
    addDev("a", "Local");
    const fs::path file = install.serviceFolder("a") / "ver1" / "VimozList.xml";
    std::string xml = readFile(file);
    xml.replace(xml.find("requiresInvitation=\"false\""), 26, "requiresInvitation=\"true\"");
    writeFile(file, xml);
    addDev("b", "Web", true);
    addDev("c", "select an VIMO");
    startOn(1);
    EXPECT_EQ(view.form,
              (FormFields{u"Local", u"A Vimo", u"400", u"300", true, false, u"http://"}));
    EXPECT_EQ(presenter.shownId(), u"a");
    EXPECT_EQ(view.sourceFolder, workspace.sourceFolder(u"a"));
    EXPECT_FALSE(view.sourceFolder.empty());
    EXPECT_FALSE(view.readOnly[res::IDC_NAME]);
    EXPECT_TRUE(view.enabled[res::IDC_NAME] && view.enabled[res::IDC_CREATE_ZIP]);
    EXPECT_FALSE(view.enabled[res::IDC_APPLY]);
    EXPECT_TRUE(view.enabled[res::IDC_MAIN_FILE_URL] && view.readOnly[res::IDC_MAIN_FILE_URL]);

    presenter.selectionChanged(2);
    EXPECT_EQ(view.form.mainFileUrl, u"http://web.example/b/index.html");
    EXPECT_TRUE(view.form.web);
    EXPECT_FALSE(view.form.interactive);
    EXPECT_FALSE(view.readOnly[res::IDC_MAIN_FILE_URL]);

    // The first entry clears the form (the address too) and locks it; so does a Vimo that
    // bears its name, as the fixed entries are known by their text.
    for (int entry : {0, 3}) {
        presenter.selectionChanged(2);
        view.archivePath = u"old.zip";
        presenter.selectionChanged(entry);
        EXPECT_EQ(view.form, (FormFields{u"", u"", u"500", u"500", false, true, u""}));
        EXPECT_EQ(view.archivePath, u"");
        EXPECT_EQ(view.sourceFolder, u"");
        EXPECT_EQ(view.selection, 0);
        EXPECT_FALSE(presenter.isEditing());
        EXPECT_FALSE(view.enabled[res::IDC_NAME]);
        EXPECT_TRUE(view.readOnly[res::IDC_NAME]);
    }
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PresenterTest, ApplyFollowsEveryEditButReadsQuietly)
{
    addDev("d1", "my vimo", true);
    startOn(1);
    const struct
    {
        const char* what;
        std::function<void(FormFields&)> edit;
        bool enabled;
    } cases[] = {
        {"the stored text again", [](FormFields&) {}, false},
        {"name", [](FormFields& f) { f.name = u"other"; }, true},
        {"letter case of the name", [](FormFields& f) { f.name = u"My Vimo"; }, true},
        {"description", [](FormFields& f) { f.description = u"changed"; }, true},
        {"width", [](FormFields& f) { f.width = u"401"; }, true},
        {"height", [](FormFields& f) { f.height = u" 300 "; }, false},
        {"interactive", [](FormFields& f) { f.interactive = true; }, true},
        {"kind", [](FormFields& f) { f.web = false; }, true},
        {"address", [](FormFields& f) { f.mainFileUrl = u"http://web.example/D1/index.html"; },
         true},
        {"half-typed width", [](FormFields& f) { f.width = u"39O"; }, true},
    };
    const FormFields original = view.form;
    for (const auto& c : cases) {
        view.form = original;
        c.edit(view.form);
        presenter.fieldsEdited();
        EXPECT_EQ(view.enabled[res::IDC_APPLY], c.enabled) << c.what;
    }
    EXPECT_TRUE(view.messages.empty());
    view.form.web = false;
    presenter.mainFileKindClicked();
    EXPECT_FALSE(view.enabled[res::IDC_MAIN_FILE_URL]);
    EXPECT_TRUE(view.readOnly[res::IDC_MAIN_FILE_URL]);
}

TEST_F(PresenterTest, AFormThatCannotBeReadBackIsNeverSaved)
{
    addDev("d1", "Demo");
    addDev("d2", "Other");
    startOn(1);
    const std::string before = catalogue("d1");
    const std::function<void()> commands[] = {[&] { presenter.apply(); }, [&] { presenter.ok(); },
                                              [&] { presenter.cancel(); },
                                              [&] { presenter.selectionChanged(2); }};
    for (const std::u16string typed : {u"39O", u"4O", u"-5", u""}) {
        for (const auto& command : commands) {
            view.messages.clear();
            view.focus = 0;
            view.form.name = u"Changed";
            view.form.width = typed;
            command();
            EXPECT_EQ(view.texts(), std::vector<std::u16string>{kReadBack});
            EXPECT_EQ(view.messages[0].icon, MessageIcon::Exclamation);
            EXPECT_EQ(view.focus, res::IDC_WIDTH);
            EXPECT_EQ(view.form.width, typed); // the typed text stays for correcting
            EXPECT_EQ(catalogue("d1"), before);
            EXPECT_FALSE(view.closed);
            EXPECT_EQ(presenter.shownId(), u"d1");
            EXPECT_EQ(view.selection, 1);
        }
    }
}

TEST_F(PresenterTest, ApplyValidatesThenWritesEveryPropertyAndStaysOnTheVimo)
{
    addDev("d1", "Demo");
    addDev("d2", "Other");
    writeFile(install.serviceFolder("d1") / "ver1" / "VimoList.bin", "cache");
    platform.clientRunning = true;
    startOn(1);
    view.form.name = u"   ";
    EXPECT_EQ(presenter.apply(), Save::Refused);
    EXPECT_EQ(view.texts(), std::vector<std::u16string>{u"Vimo name should not be empty."});
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(view.focus, res::IDC_NAME);

    view.messages.clear();
    view.form = {u"  Renamed  ",
                 u"New description",
                 u"410",
                 u"310",
                 true,
                 true,
                 u"http://web.example/main.html"};
    EXPECT_EQ(presenter.apply(), Save::Saved);
    VimoInfo expected = stored(u"d1");
    expected.name = u"Renamed";
    expected.desc = u"New description";
    expected.width = 410;
    expected.height = 310;
    expected.requiresInvitation = true;
    expected.isDhtml = true;
    expected.url = u"http://web.example/main.html";
    workspace.loadAll(); // what the file holds
    EXPECT_EQ(stored(u"d1"), expected);
    EXPECT_TRUE(contains(catalogue("d1"), "devStatus=\"dev\""));
    EXPECT_FALSE(fs::exists(install.serviceFolder("d1") / "ver1" / "VimoList.bin"));
    EXPECT_EQ(platform.clientCommands, std::vector<std::u16string>{u"orvo:reloadVimoList"});
    EXPECT_EQ(view.entries[1].text, u"Renamed");
    EXPECT_EQ(view.selection, 1);
    EXPECT_EQ(view.form.name, u"Renamed");
    EXPECT_EQ(view.focus, res::IDC_CREATE_ZIP);
    EXPECT_FALSE(view.enabled[res::IDC_APPLY]);
    EXPECT_TRUE(presenter.isEditing());

    // A local Vimo takes the configuration's template address, whatever the form shows.
    view.form.web = false;
    view.form.mainFileUrl = u"http://ignored/";
    EXPECT_EQ(presenter.apply(), Save::Saved);
    EXPECT_EQ(stored(u"d1").url, u"http://developer.example/template_vimo/index.vimo");
    EXPECT_FALSE(stored(u"d1").isDhtml);
    EXPECT_TRUE(view.messages.empty());
}

TEST_F(PresenterTest, ApplyStaysOnTheExactIdentifier)
{
    // Identifiers that differ only in letter case are two Vimos.
    if (kOnWindows) {
        GTEST_SKIP() << "Linux only: on Windows their two service folders are one";
    }
    addDev("ABC", "Upper");
    addDev("abc", "Lower");
    startOn(2);
    view.form.width = u"410";
    presenter.apply();
    EXPECT_EQ(view.selection, 2);
    EXPECT_EQ(stored(u"abc").width, 410);
    EXPECT_EQ(stored(u"ABC").width, 400);
}

TEST_F(PresenterTest, TheSavePromptDecidesWhatHappensToTheEdits)
{
    const struct
    {
        int answer;
        bool saved;
        std::u16string shownAfter;
    } cases[] = {
        {AnswerYes, true, u"d2"},
        {AnswerNo, false, u"d2"},
        {AnswerCancel, false, u"d1"},
    };
    addDev("d1", "A");
    addDev("d2", "B");
    start();
    for (const auto& c : cases) {
        presenter.selectionChanged(1);
        view.messages.clear();
        view.form.name = u"A2";
        presenter.fieldsEdited();
        view.answers = {c.answer};
        presenter.selectionChanged(2);
        EXPECT_EQ(view.texts(), std::vector<std::u16string>{kSaveChanges});
        EXPECT_EQ(view.messages[0].buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(stored(u"d1").name, c.saved ? u"A2" : u"A");
        EXPECT_EQ(presenter.shownId(), c.shownAfter);
        EXPECT_EQ(view.form.name, c.shownAfter == u"d1" ? u"A2" : u"B");
        EXPECT_EQ(view.selection, c.shownAfter == u"d1" ? 1 : 2);
        if (c.saved) {
            workspace.writeVimo(u"d1", [&] {
                VimoInfo info = stored(u"d1");
                info.name = u"A";
                return info;
            }());
            presenter.selectionChanged(0);
        }
    }
}

TEST_F(PresenterTest, EditsSurviveAFailedSaveAndChoosingTheShownVimo)
{
    addDev("d1", "A");
    addDev("d2", "B");
    startOn(1);
    view.form.name = u"Pending";
    presenter.fieldsEdited();
    presenter.selectionChanged(1);
    EXPECT_EQ(view.form.name, u"Pending");
    EXPECT_TRUE(view.messages.empty());

    breakCatalogueFile("d1");
    view.answers = {AnswerYes};
    presenter.selectionChanged(2);
    EXPECT_EQ(view.texts(),
              (std::vector<std::u16string>{kSaveChanges, u"Failed to save Vimo changes."}));
    // The cause (the file and why) goes with the message, apart from its text.
    EXPECT_TRUE(contains(toUtf8(view.messages[1].detail), "VimozList.xml"));
    EXPECT_EQ(presenter.shownId(), u"d1");
    EXPECT_EQ(view.selection, 1);

    view.messages.clear();
    presenter.ok();
    EXPECT_EQ(view.texts(), std::vector<std::u16string>{u"Failed to save Vimo changes."});
    EXPECT_FALSE(view.closed);
    EXPECT_TRUE(presenter.isEditing());
    EXPECT_EQ(view.form.name, u"Pending");
}

TEST_F(PresenterTest, ClosingAsksOnlyAboutValidUnsavedChanges)
{
    addDev("d1", "Demo");
    start();
    presenter.cancel(); // nothing shown: no prompt
    EXPECT_EQ(view.closed, false);
    EXPECT_TRUE(view.messages.empty());

    view.closed.reset();
    presenter.selectionChanged(1);
    view.form.name = u"";
    presenter.cancel();
    presenter.ok();
    EXPECT_EQ(view.texts(), std::vector<std::u16string>(2, u"Vimo name should not be empty."));
    EXPECT_FALSE(view.closed);
    EXPECT_EQ(view.selection, 1);

    view.messages.clear();
    view.form.name = u"Kept";
    view.answers = {AnswerYes};
    presenter.cancel();
    EXPECT_EQ(view.closed, false);
    EXPECT_EQ(stored(u"d1").name, u"Kept");

    view.closed.reset();
    presenter.selectionChanged(1);
    view.form.name = u"By OK";
    presenter.ok();
    EXPECT_EQ(view.closed, true);
    EXPECT_EQ(stored(u"d1").name, u"By OK");
}

TEST_F(PresenterTest, ImportShowsTheCopyOrSaysWhyThereIsNone)
{
    addDev("d1", "Demo");
    addPublished("p1", "Published");
    platform.clock = 1700000000;
    start();
    presenter.selectionChanged(2); // the import entry, cancelled
    EXPECT_EQ(view.selection, 0);
    EXPECT_FALSE(presenter.isEditing());

    view.importChoice = u"p1";
    presenter.selectionChanged(2);
    EXPECT_EQ(presenter.shownId(), u"dev_user_vimo_1700000000");
    EXPECT_EQ(view.entries[2], (ListEntry{u"Published", u"dev_user_vimo_1700000000"}));
    EXPECT_EQ(view.selection, 2);
    EXPECT_EQ(view.form.name, u"Published");
    EXPECT_EQ(view.busy, 0);

    // The command leaves the shown Vimo through the prompt; Cancel makes no copy.
    view.form.name = u"Edited";
    presenter.importCommand();
    EXPECT_EQ(view.texts(), std::vector<std::u16string>{kSaveChanges});
    EXPECT_EQ(view.form.name, u"Edited");
    EXPECT_EQ(workspace.GetDevVimos().size(), 2u);

    // A copy that fails is reported with its cause.
    view.messages.clear();
    view.answers = {AnswerNo};
    view.importChoice = u"missing";
    presenter.importCommand();
    ASSERT_EQ(view.messages.size(), 2u);
    EXPECT_EQ(view.messages[1].text, u"The \"Under Development\" copy was not made.");
    EXPECT_EQ(view.messages[1].icon, MessageIcon::Stop);
    EXPECT_FALSE(view.messages[1].detail.empty());
    EXPECT_FALSE(presenter.isEditing());
}

TEST_F(PresenterTest, ArchiveOutcomesDecideThePathShown)
{
    const auto engines = platform.archiveEngineCandidates();
    if (std::none_of(engines.begin(), engines.end(),
                     [](const std::u16string& path) { return fs::exists(fs::path(path)); })) {
        GTEST_SKIP() << "no archive engine is installed where the tool looks for one";
    }
    addDev("big", "Big");
    addDev("d1", "Demo");
    writeFile(install.serviceFolder("big") / "ver1" / "content" / "big" / "noise.png",
              randomBytes(5300000, 7));
    writeFile(install.serviceFolder("d1") / "ver1" / "content" / "d1" / "notes.txt", "x");
    startOn(2);
    presenter.createArchive();
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].icon, MessageIcon::Exclamation);
    EXPECT_TRUE(view.messages[0].text.starts_with(u"The following files are not supported ("));
    EXPECT_NE(view.messages[0].text.find(u"notes.txt"), std::u16string::npos);
    EXPECT_EQ(view.archivePath, workspace.uploadArchivePath(u"d1"));
    EXPECT_TRUE(view.enabled[res::IDC_OPEN_ARCHIVE_FOLDER]);
    presenter.copyArchivePath();
    EXPECT_EQ(clipboard.text, view.archivePath);

    // A refused or failed archive takes the previous path off the window.
    const struct
    {
        int entry;
        std::function<void()> prepare;
        std::u16string text;
        std::string cause;
    } failures[] = {
        {1, [] {}, u"Archive is too big. It should be less than 5MB.", ""},
        {2,
         [&] {
             const fs::path zip = install.serviceFolder("d1").string() + ".zip";
             fs::remove(zip);
             fs::create_directories(zip / "x");
         },
         u"Failed to create Vimo package for upload.",
         "orvod1Vimoz.zip: the archive file cannot be created"},
    };
    for (const auto& f : failures) {
        presenter.selectionChanged(f.entry);
        view.archivePath = u"previous.zip";
        view.enabled[res::IDC_OPEN_ARCHIVE_FOLDER] = true;
        view.messages.clear();
        f.prepare();
        presenter.createArchive();
        EXPECT_EQ(view.texts(), std::vector<std::u16string>{f.text});
        EXPECT_EQ(view.messages[0].icon, MessageIcon::Stop);
        EXPECT_TRUE(contains(toUtf8(view.messages[0].detail), f.cause)) << f.cause;
        EXPECT_EQ(view.archivePath, u"");
        EXPECT_FALSE(view.enabled[res::IDC_OPEN_ARCHIVE_FOLDER]);
        EXPECT_EQ(view.busy, 0);
    }

    view.messages.clear();
    presenter.selectionChanged(0);
    presenter.copyArchivePath();
    EXPECT_EQ(view.texts(),
              std::vector<std::u16string>{u"Failed to copy Vimo archive path to clipboard."});
}

TEST_F(PresenterTest, FoldersAndTheClientOpenFromTheShownVimo)
{
    addDev("d1", "Demo");
    startOn(1);
    presenter.openSourceFolder();
    presenter.openIconsFolder();
    presenter.openArchiveFolder();
    EXPECT_EQ(platform.opened, (std::vector<std::u16string>{workspace.sourceFolder(u"d1"),
                                                            workspace.iconsFolder(u"d1"),
                                                            workspace.servicesFolder()}));

    const struct
    {
        bool running;
        std::vector<std::u16string> windows;
        bool startWorks;
        std::size_t starts;
        std::vector<std::u16string> texts;
    } cases[] = {
        {false, {}, false, 2, {u"Failed to lanch Orvo.", u"Failed to launch 2nd Orvo."}},
        {true, {u"ORVO"}, true, 1, {}}, // a second instance
        {true, {u"Orvo", u"ORVO"}, true, 0, {}},
    };
    for (const auto& c : cases) {
        platform.clientRunning = c.running;
        platform.windowTitles = c.windows;
        platform.startResult = c.startWorks;
        platform.started.clear();
        view.messages.clear();
        presenter.openSecondClient();
        EXPECT_EQ(platform.started.size(), c.starts);
        EXPECT_EQ(view.texts(), c.texts);
        EXPECT_EQ(view.busy, 0);
        if (c.starts == 1) {
            EXPECT_EQ(platform.started[0].back(), u"MultiInstance");
        }
    }
}

} // namespace vimo::test
