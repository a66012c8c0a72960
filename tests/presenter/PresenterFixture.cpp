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

void PresenterTest::breakCatalogueFile(const std::string& id)
{
    const fs::path file = install.serviceFolder(id) / "ver1" / "VimozList.xml";
    fs::remove(file);
    fs::create_directories(file / "blocked");
}

} // namespace vimo::test
