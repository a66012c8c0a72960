#pragma once

#include "presenter/MainWindowPresenter.h"
#include "support/RecordingPlatform.h"
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

// An installation with its configuration server, and the presenter on a fake view.
class PresenterTest : public ::testing::Test, public ServedInstallation
{
public:
    // Runs the start-up sequence; the test fails unless it succeeds.
    void start();
    // Starts and chooses list entry `entry`.
    void startOn(int entry);
    VimoInfo stored(const std::u16string& id) const;
    // Makes the next catalogue write of `id` fail: its file becomes a folder.
    void breakCatalogueFile(const std::string& id);

    VimoWorkspace workspace{platform};
    FakeView view;
    FakeClipboard clipboard;
    MainWindowPresenter presenter{workspace, view, clipboard};
};

} // namespace vimo::test
