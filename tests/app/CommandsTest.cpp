#include "AppTestSupport.h"
#include "AppTests.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <random>

namespace vimo::test {

namespace {

// Makes the next catalogue write of `id` fail: its file becomes a folder.
void breakCatalogueFile(AppEnvironment& env, const std::string& id)
{
    const fs::path file = env.install.serviceFolder(id) / "ver1" / "VimozList.xml";
    fs::remove(file);
    fs::create_directories(file / "blocked");
}

// Answers the import dialog with its entry `row`, or cancels it when `row` is negative.
void answerImport(int row)
{
    onNextModal([row](QWidget* modal) {
        if (row < 0) {
            QTest::keyClick(modal, Qt::Key_Escape);
            return;
        }
        findControlAs<QListWidget>(modal, 1026)->setCurrentRow(row);
        click(*modal, 1);
    });
}

} // namespace

void CommandsTest::applyRewritesTheCatalogueFileAndDeletesTheCache()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    env.addDev("d2", "Other");
    const fs::path cache = env.install.serviceFolder("d1") / "ver1" / "VimoList.bin";
    writeFile(cache, "cache");
    env.platform.clientRunning = true;
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "Renamed");
    typeInto(*dialog, 1002, "New description");
    click(*dialog, 1013);

    const std::string file = env.catalogue("d1");
    QVERIFY(file.find("name=\"Renamed\"") != std::string::npos);
    QVERIFY(file.find("desc=\"New description\"") != std::string::npos);
    QVERIFY(file.find("devStatus=\"dev\"") != std::string::npos);
    QVERIFY(!fs::exists(cache));
    QCOMPARE(env.platform.clientCommands, std::vector<std::u16string>{u"orvo:reloadVimoList"});
    // The list was rebuilt for the new name and stays on the Vimo.
    QCOMPARE(listEntries(*dialog), (QStringList{"Select an Vimo", "Renamed", "Other"}));
    QCOMPARE(currentEntry(*dialog), 1);
    QVERIFY(!button(*dialog, 1013)->isEnabled());
    QVERIFY(button(*dialog, 1023)->hasFocus());
    QVERIFY(dialog->isEditing());
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::importMakesACopyThatIsThenShown()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    env.addPublished("p1", "Published");
    env.platform.clock = 1700000000;
    auto dialog = env.start();
    answerImport(0);
    choose(*dialog, 2);

    QCOMPARE(listEntries(*dialog),
             (QStringList{"Select an Vimo", "Demo", "Published", kImportEntry}));
    QCOMPARE(dialog->GetVimoIdAt(currentEntry(*dialog)),
             QStringLiteral("dev_user_vimo_1700000000"));
    QVERIFY(dialog->isEditing());
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Published"));
    QVERIFY(!edit(*dialog, 1001)->isReadOnly());
    QVERIFY(fs::exists(env.install.serviceFolder("dev_user_vimo_1700000000") / "ver1" /
                       "VimozList.xml"));
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::cancelledImportLeavesTheFormLocked()
{
    MessageScript messages;
    AppEnvironment env;
    env.addPublished("p1", "Published");
    auto dialog = env.start();
    answerImport(-1);
    choose(*dialog, 1);
    QCOMPARE(currentEntry(*dialog), 0);
    QVERIFY(!dialog->isEditing());
    QVERIFY(edit(*dialog, 1001)->isReadOnly());
    QVERIFY(!button(*dialog, 1023)->isEnabled());
    QCOMPARE(listEntries(*dialog).size(), 2);
}

void CommandsTest::importCommandLeavesTheShownVimoThroughThePrompt()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    env.addPublished("p1", "Published");
    env.platform.clock = 1700000100;
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "Edited");
    const std::string before = env.catalogue("d1");

    // Cancel in the prompt: no copy, the edits stay.
    messages.answer(AnswerCancel);
    answerImport(0);
    findCommand(dialog.get(), 1014)->trigger();
    QCOMPARE(messages.texts(), QStringList{"Would you like to save the changes?"});
    QVERIFY(!fs::exists(env.install.serviceFolder("dev_user_vimo_1700000100")));
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Edited"));
    QCOMPARE(currentEntry(*dialog), 1);

    // No: the edits are dropped and the copy is shown.
    messages.clear();
    messages.answer(AnswerNo);
    answerImport(0);
    findCommand(dialog.get(), 1014)->trigger();
    QCOMPARE(messages.texts(), QStringList{"Would you like to save the changes?"});
    QCOMPARE(env.catalogue("d1"), before);
    QCOMPARE(dialog->GetVimoIdAt(currentEntry(*dialog)),
             QStringLiteral("dev_user_vimo_1700000100"));
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Published"));
    QVERIFY(dialog->isEditing());
}

void CommandsTest::createZipWritesTheArchiveAndShowsItsPath()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    writeFile(env.install.serviceFolder("d1") / "ver1" / "content" / "d1" / "notes.txt", "x");
    const fs::path cache = env.install.serviceFolder("d1") / "ver1" / "VimoList.bin";
    writeFile(cache, "cache");
    auto dialog = env.startOn(1);
    click(*dialog, 1023);

    QCOMPARE(messages.shown().size(), 1);
    QVERIFY(messages.shown()[0].icon == MessageIcon::Exclamation);
    QVERIFY(messages.shown()[0].text.startsWith("The following files are not supported ("));
    QVERIFY(messages.shown()[0].text.contains("notes.txt"));
    QVERIFY(messages.shown()[0].text.endsWith("). The Zip was created exluding the listed files."));
    const fs::path archive = env.install.serviceFolder("d1").string() + ".zip";
    QVERIFY(fs::exists(archive));
    QVERIFY(fs::file_size(archive) > 0);
    QVERIFY(!fs::exists(cache));
    QCOMPARE(edit(*dialog, 1024)->text(), QString::fromStdString(archive.string()));
    QVERIFY(button(*dialog, 1019)->isEnabled());

    QGuiApplication::clipboard()->clear();
    QTest::keyClick(dialog.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString::fromStdString(archive.string()));
    // The path field's own menu offers the same command first.
    emit edit(*dialog, 1024)->customContextMenuRequested(QPoint(2, 2));
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    QVERIFY(menu);
    QCOMPARE(menu->actions().value(0), findCommand(dialog.get(), 1025));
    menu->close();

    click(*dialog, 1019);
    QCOMPARE(QString::fromStdU16String(env.platform.opened.back()),
             QString::fromStdU16String(dialog->workspace().servicesFolder()));

    // Choosing a Vimo again clears the path but leaves the folder button enabled.
    choose(*dialog, 0);
    choose(*dialog, 1);
    QCOMPARE(edit(*dialog, 1024)->text(), QString());
    QVERIFY(button(*dialog, 1019)->isEnabled());
}

void CommandsTest::archiveFailuresAreReported()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("big", "Big");
    env.addDev("blocked", "Blocked");
    // Incompressible content above the upload limit.
    std::string noise(5300000, '\0');
    std::mt19937 random(7);
    for (char& c : noise) {
        c = static_cast<char>(random());
    }
    writeFile(env.install.serviceFolder("big") / "ver1" / "content" / "big" / "noise.png", noise);
    fs::create_directories(env.install.serviceFolder("blocked").string() + ".zip/inside");
    auto dialog = env.startOn(1);
    click(*dialog, 1023);
    QCOMPARE(messages.texts(), QStringList{"Archive is too big. It should be less than 5MB."});
    QVERIFY(messages.shown()[0].icon == MessageIcon::Stop);
    QCOMPARE(edit(*dialog, 1024)->text(), QString());
    QVERIFY(!button(*dialog, 1019)->isEnabled());

    messages.clear();
    choose(*dialog, 2);
    click(*dialog, 1023);
    QCOMPARE(messages.texts(), QStringList{"Failed to create Vimo package for upload."});
    QVERIFY(messages.shown()[0].icon == MessageIcon::Stop);
    QVERIFY2(messages.shown()[0].detail.contains(
                 "orvoblockedVimoz.zip: the archive file cannot be created"),
             qPrintable(messages.shown()[0].detail));
    QVERIFY(!button(*dialog, 1019)->isEnabled());

    // With no Vimo shown there is no archive path to copy.
    messages.clear();
    choose(*dialog, 0);
    findCommand(dialog.get(), 1025)->trigger();
    QCOMPARE(messages.texts(), QStringList{"Failed to copy Vimo archive path to clipboard."});
    QVERIFY(messages.shown()[0].icon == MessageIcon::Stop);
}

void CommandsTest::foldersOpenThroughTheDesktop()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    QCOMPARE(edit(*dialog, 1009)->text(),
             QString::fromStdU16String(dialog->workspace().sourceFolder(u"d1")));
    QVERIFY(!edit(*dialog, 1009)->text().isEmpty());
    click(*dialog, 1015);
    click(*dialog, 1016);
    QCOMPARE(env.platform.opened.size(), 2u);
    QCOMPARE(QString::fromStdU16String(env.platform.opened[0]), edit(*dialog, 1009)->text());
    QCOMPARE(QString::fromStdU16String(env.platform.opened[1]), edit(*dialog, 1011)->text());
    // A failure to open is not reported.
    env.platform.shellResult = 31;
    click(*dialog, 1015);
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::secondClientStartsWhatIsMissing()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    QPushButton* second = button(*dialog, 1022);

    env.platform.startResult = false;
    QTest::mouseClick(second, Qt::LeftButton);
    QCOMPARE(messages.texts(),
             (QStringList{"Failed to lanch Orvo.", "Failed to launch 2nd Orvo."}));
    QVERIFY(messages.shown()[0].icon == MessageIcon::Stop);
    QVERIFY(messages.shown()[1].icon == MessageIcon::Stop);
    QCOMPARE(env.platform.started.size(), 2u);

    messages.clear();
    env.platform.started.clear();
    env.platform.startResult = true;
    env.platform.clientRunning = true;
    env.platform.windowTitles = {u"ORVO"};
    QTest::mouseClick(second, Qt::LeftButton);
    QCOMPARE(env.platform.started.size(), 1u);
    QCOMPARE(env.platform.started[0].back(), u"MultiInstance");

    env.platform.started.clear();
    env.platform.windowTitles = {u"Orvo", u"ORVO"};
    QTest::mouseClick(second, Qt::LeftButton);
    QVERIFY(env.platform.started.empty());
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::okKeepsTheWindowOpenWhenApplyIsRefusedOrFails()
{
    MessageScript messages;
    {
        AppEnvironment env;
        env.addDev("d1", "Demo");
        auto dialog = env.startOn(1);
        typeInto(*dialog, 1001, "");
        click(*dialog, 1);
        QCOMPARE(messages.texts(), QStringList{"Vimo name should not be empty."});
        QVERIFY(dialog->isVisible());

        messages.clear();
        typeInto(*dialog, 1001, "Changed");
        breakCatalogueFile(env, "d1");
        click(*dialog, 1);
        QCOMPARE(messages.texts(), QStringList{"Failed to save Vimo changes."});
        QVERIFY(messages.shown()[0].detail.contains("VimozList.xml"));
        QVERIFY(dialog->isVisible());
        QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Changed"));
        QCOMPARE(currentEntry(*dialog), 1);
        QVERIFY(dialog->isEditing());
    }
    {
        // OK with nothing shown, and OK after a good save, close the window.
        messages.clear();
        AppEnvironment env;
        env.addDev("d1", "Demo");
        auto dialog = env.start();
        click(*dialog, 1);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(dialog->result(), int(QDialog::Accepted));

        auto second = env.startOn(1);
        typeInto(*second, 1001, "Saved by OK");
        click(*second, 1);
        QVERIFY(!second->isVisible());
        QVERIFY(env.catalogue("d1").find("Saved by OK") != std::string::npos);
        QVERIFY(messages.shown().isEmpty());
    }
}

void CommandsTest::yesStaysOnTheVimoWhenItsSaveFails()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "A");
    env.addDev("d2", "B");
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "A2");
    breakCatalogueFile(env, "d1");
    messages.answer(AnswerYes);
    choose(*dialog, 2);
    QCOMPARE(messages.texts(),
             (QStringList{"Would you like to save the changes?", "Failed to save Vimo changes."}));
    QCOMPARE(currentEntry(*dialog), 1);
    QCOMPARE(dialog->GetVimoIdAt(currentEntry(*dialog)), QStringLiteral("d1"));
    QVERIFY(dialog->isEditing());
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("A2"));
    QVERIFY(!edit(*dialog, 1001)->isReadOnly());
}

void CommandsTest::theChosenVimoIsShownAfterASaveRebuiltTheList()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "A");
    env.addDev("d2", "B");
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "A2");
    messages.answer(AnswerYes);
    choose(*dialog, 2);
    QCOMPARE(messages.texts(), QStringList{"Would you like to save the changes?"});
    QVERIFY(env.catalogue("d1").find("name=\"A2\"") != std::string::npos);
    QCOMPARE(listEntries(*dialog), (QStringList{"Select an Vimo", "A2", "B"}));
    QCOMPARE(currentEntry(*dialog), 2);
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("B"));
    QVERIFY(dialog->isEditing());
}

void CommandsTest::choosingTheShownVimoKeepsItsEdits()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "Pending");
    choose(*dialog, 1);
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Pending"));
    QVERIFY(button(*dialog, 1013)->isEnabled());
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::cancelAsksBeforeLeavingUnsavedChanges()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    const std::string before = env.catalogue("d1");
    {
        auto dialog = env.start();
        click(*dialog, 2); // nothing shown: no prompt
        QVERIFY(!dialog->isVisible());
        QVERIFY(messages.shown().isEmpty());
    }
    {
        auto dialog = env.startOn(1);
        typeInto(*dialog, 1001, "");
        QTest::keyClick(dialog.get(), Qt::Key_Escape); // invalid: the validation speaks
        QCOMPARE(messages.texts(), QStringList{"Vimo name should not be empty."});
        QVERIFY(dialog->isVisible());
        QCOMPARE(currentEntry(*dialog), 1);

        messages.clear();
        typeInto(*dialog, 1001, "Changed");
        messages.answer(AnswerCancel);
        click(*dialog, 2);
        QCOMPARE(messages.texts(), QStringList{"Would you like to save the changes?"});
        QVERIFY(messages.shown()[0].buttons == MessageButtons::YesNoCancel);
        QVERIFY(messages.shown()[0].icon == MessageIcon::None);
        QVERIFY(dialog->isVisible());
        QCOMPARE(currentEntry(*dialog), 1);
        QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Changed"));

        messages.answer(AnswerNo);
        dialog->close();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(env.catalogue("d1"), before);
    }
    {
        auto dialog = env.startOn(1);
        typeInto(*dialog, 1001, "Kept");
        messages.answer(AnswerYes);
        click(*dialog, 2);
        QVERIFY(!dialog->isVisible());
        QVERIFY(env.catalogue("d1").find("name=\"Kept\"") != std::string::npos);
    }
    QCOMPARE(messages.unanswered(), 0);
}

void CommandsTest::entryNamedLikeTheFirstEntryClearsTheForm()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "select an VIMO");
    env.addDev("d2", "Real");
    auto dialog = env.startOn(2);
    QCOMPARE(edit(*dialog, 1001)->text(), QStringLiteral("Real"));
    choose(*dialog, 1);
    QVERIFY(!dialog->isEditing());
    QCOMPARE(edit(*dialog, 1001)->text(), QString());
    QCOMPARE(edit(*dialog, 1003)->text(), QStringLiteral("500"));
    QVERIFY(edit(*dialog, 1001)->isReadOnly());
    QVERIFY(messages.shown().isEmpty());
}

void CommandsTest::applyStaysOnTheExactIdentifier()
{
    // Identifiers that differ only in letter case are two Vimos; Apply on the second must not
    // move the list to the first, or the next Apply would write into the wrong record.
    MessageScript messages;
    AppEnvironment env;
    env.addDev("ABC", "Upper");
    env.addDev("abc", "Lower");
    auto dialog = env.startOn(2);
    typeInto(*dialog, 1003, "410");
    click(*dialog, 1013);
    QCOMPARE(currentEntry(*dialog), 2);
    QVERIFY(env.catalogue("abc").find("width=\"410\"") != std::string::npos);
    QVERIFY(env.catalogue("ABC").find("width=\"400\"") != std::string::npos);
    QVERIFY(messages.shown().isEmpty());
}

} // namespace vimo::test
