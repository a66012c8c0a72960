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

namespace vimo::test {

void CommandsTest::createZipWritesTheArchiveAndShowsItsPath()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
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

} // namespace vimo::test
