#pragma once

#include "platform/Clipboard.h"
#include "support/ConfigServer.h"
#include "support/Fixtures.h"

#include <functional>
#include <string>
#include <vector>

namespace vimo::test {

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

    int shellResult = 42; // above 32: the desktop took it (a client command too)
    bool startResult = true;
    bool clientRunning = false;
    std::vector<std::u16string> windowTitles;
    mutable std::vector<std::u16string> opened, clientCommands;
    // Each start as the program and its arguments, and the folder it was started in.
    mutable std::vector<std::vector<std::u16string>> started;
    mutable std::vector<std::u16string> startedIn;
};

// Keeps what it is given, unless told to refuse; counts the calls.
class FakeClipboard : public Clipboard
{
public:
    bool setText(const std::u16string& value, std::string& whyNot) override;
    bool accept = true;
    int calls = 0;
    std::u16string text;
};

// An installation, the configuration server and a recording platform pointing at both.
class ServedInstallation
{
public:
    ServedInstallation();

    // A Vimo under development (a local one unless `web`).
    void addDev(const std::string& id, const std::string& name, bool web = false);
    void addPublished(const std::string& id, const std::string& name);
    // The text of the catalogue file of Vimo `id`.
    std::string catalogue(const std::string& id) const;

    InstallationFixture install;
    ConfigServer server;
    RecordingPlatform platform;
};

} // namespace vimo::test
