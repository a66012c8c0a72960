#include "PresenterFixture.h"

namespace vimo::test {

void FakeView::setFolders(const std::u16string& source, const std::u16string& icons)
{
    sourceFolder = source;
    iconsFolder = icons;
}

void FakeView::setTextLimits(int name, int description)
{
    nameLimit = name;
    descLimit = description;
}

int FakeView::showMessage(const Message& message)
{
    messages.push_back(message);
    if (message.buttons != MessageButtons::YesNoCancel) {
        return AnswerOk;
    }
    if (answers.empty()) {
        return AnswerCancel;
    }
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

std::vector<std::u16string> FakeView::texts() const
{
    std::vector<std::u16string> result;
    for (const Message& message : messages) {
        result.push_back(message.text);
    }
    return result;
}

int RecordingPlatform::shellOpen(const std::u16string& target) const
{
    opened.push_back(target);
    return 42;
}

Failure RecordingPlatform::shellOpenClientCommand(const std::u16string& command) const
{
    clientCommands.push_back(command);
    return {};
}

void RecordingPlatform::enumerateWindowTitles(
    const std::function<bool(const std::u16string&)>& visit) const
{
    for (const std::u16string& title : windowTitles) {
        if (!visit(title)) {
            return;
        }
    }
}

Failure RecordingPlatform::startProgram(const std::u16string& program,
                                        const std::vector<std::u16string>& arguments,
                                        const std::u16string&) const
{
    std::vector<std::u16string> call{program};
    call.insert(call.end(), arguments.begin(), arguments.end());
    started.push_back(call);
    return startResult ? Failure{} : Failure{E_FAIL, program, "wine was not found on PATH"};
}

bool FakeClipboard::setText(const std::u16string& value)
{
    text = value;
    return true;
}

PresenterTest::PresenterTest()
{
    platform.env["WINEPREFIX"] = install.prefix().string();
    platform.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
    platform.env["ORVO_CONTENT_SERVER"] = "http://content.example";
}

void PresenterTest::addDev(const std::string& id, const std::string& name, bool web)
{
    VimoSpec spec = vimoSpec(id);
    spec.name = name;
    if (web) {
        spec.type = "dhtml";
        spec.url = "http://web.example/" + id + "/index.html";
    }
    install.addVimo(spec);
}

void PresenterTest::addPublished(const std::string& id, const std::string& name)
{
    VimoSpec spec = vimoSpec(id, "released");
    spec.name = name;
    install.addVimo(spec);
}

void PresenterTest::start()
{
    ASSERT_TRUE(presenter.start());
}

void PresenterTest::startOn(int entry)
{
    start();
    presenter.selectionChanged(entry);
    ASSERT_TRUE(presenter.isEditing());
}

VimoInfo PresenterTest::stored(const std::u16string& id) const
{
    VimoInfo info;
    workspace.getVimo(id, info);
    return info;
}

std::string PresenterTest::catalogue(const std::string& id) const
{
    return readFile(install.serviceFolder(id) / "ver1" / "VimozList.xml");
}

void PresenterTest::breakCatalogueFile(const std::string& id)
{
    const fs::path file = install.serviceFolder(id) / "ver1" / "VimozList.xml";
    fs::remove(file);
    fs::create_directories(file / "blocked");
}

} // namespace vimo::test
