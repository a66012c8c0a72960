#pragma once

#include "presenter/MainWindowPresenter.h"
#include "support/ConfigServer.h"
#include "support/Fixtures.h"
#include "workspace/Clipboard.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vimo::test {

// A window that only remembers: the fields, the list, which control is enabled, read-only or
// focused, every message (answered from a queue), and how it was closed.
class FakeView : public MainWindowView
{
public:
    void setListEntries(const std::vector<ListEntry>& list) override { entries = list; }
    void setListSelection(int index) override { selection = index; }
    FormFields fields() const override { return form; }
    void setFields(const FormFields& fields) override { form = fields; }
    void setFolders(const std::u16string& source, const std::u16string& icons) override;
    void setArchivePath(const std::u16string& path) override { archivePath = path; }
    void setTextLimits(int name, int description) override;
    void setUploadAddress(const std::u16string& address) override { uploadAddress = address; }
    void enableControl(int control, bool on) override { enabled[control] = on; }
    void setControlReadOnly(int control, bool on) override { readOnly[control] = on; }
    void focusControl(int control) override { focus = control; }
    int showMessage(const Message& message) override;
    std::optional<std::u16string> chooseVimoToImport() override { return importChoice; }
    void setBusy(bool on) override { busy += on ? 1 : -1; }
    void showStartupProgress(const std::u16string& text) override { progress.push_back(text); }
    void closeWindow(bool accepted) override { closed = accepted; }

    // The texts of the messages shown so far.
    std::vector<std::u16string> texts() const;

    std::vector<ListEntry> entries;
    int selection = -1;
    FormFields form;
    std::u16string sourceFolder, iconsFolder, archivePath, uploadAddress;
    int nameLimit = 0, descLimit = 0;
    std::map<int, bool> enabled, readOnly;
    int focus = 0;
    std::vector<Message> messages;
    std::deque<int> answers; // unanswered prompts get Cancel
    std::optional<std::u16string> importChoice;
    int busy = 0; // balanced when every long operation ended
    std::vector<std::u16string> progress;
    std::optional<bool> closed;
};

// The system platform with the desktop, the process table, the window list and program starts
// recorded instead.
class RecordingPlatform : public TestPlatform
{
public:
    int shellOpen(const std::u16string& target) const override;
    Failure shellOpenClientCommand(const std::u16string& command) const override;
    bool isProgramRunning(const std::u16string&) const override { return clientRunning; }
    void
    enumerateWindowTitles(const std::function<bool(const std::u16string&)>& visit) const override;
    Failure startProgram(const std::u16string& program,
                         const std::vector<std::u16string>& arguments,
                         const std::u16string& workingFolder) const override;

    bool clientRunning = false;
    bool startResult = true;
    std::vector<std::u16string> windowTitles;
    mutable std::vector<std::u16string> opened, clientCommands;
    mutable std::vector<std::vector<std::u16string>> started;
};

class FakeClipboard : public Clipboard
{
public:
    bool setText(const std::u16string& value) override;
    std::u16string text;
};

// An installation with its configuration server, and the presenter on a fake view.
class PresenterTest : public ::testing::Test
{
public:
    PresenterTest();

    // A Vimo under development (a local one unless `web`).
    void addDev(const std::string& id, const std::string& name, bool web = false);
    void addPublished(const std::string& id, const std::string& name);
    // Runs the start-up sequence; the test fails unless it succeeds.
    void start();
    // Starts and chooses list entry `entry`.
    void startOn(int entry);
    VimoInfo stored(const std::u16string& id) const;
    // The text of the catalogue file of Vimo `id`.
    std::string catalogue(const std::string& id) const;
    // Makes the next catalogue write of `id` fail: its file becomes a folder.
    void breakCatalogueFile(const std::string& id);

    InstallationFixture install;
    ConfigServer server;
    RecordingPlatform platform;
    VimoWorkspace workspace{platform};
    FakeView view;
    FakeClipboard clipboard;
    MainWindowPresenter presenter{workspace, view, clipboard};
};

} // namespace vimo::test
