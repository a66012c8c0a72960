#include "AppTestSupport.h"
#include "AppTests.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace vimo::test {

void DemoTest::everyRoadWorksOnTheDemo()
{
    MessageScript messages;
    TempDir scratch;
    const fs::path demo = VIMO_DEMO_DIR;
    fs::copy(demo / "prefix", scratch.path() / "prefix",
             fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    ConfigServer server;
    server.setConfiguration(readFile(demo / "server" / "pages" / "xml" / "openvimoz_conf.xml"));
    RecordingPlatform platform;
    platform.env["WINEPREFIX"] = (scratch.path() / "prefix").string();
    platform.env["ORVO_DEVELOPER_SERVER"] = server.baseUrl();
    platform.clock = 1765000000;

    CDevToolDlg dialog(platform, messages);
    QVERIFY(dialog.OnInitDialog());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(listEntries(dialog),
             (QStringList{"Select an Vimo", "Quick Poll",
                          "Create an \"Under Development\" copy of a published vimo..."}));
    const fs::path poll = scratch.path() / "prefix" / "drive_c" / "Program Files" / "Orvo" /
                          "services" / "orvodev_user_vimo_1733500000Vimoz";

    // Edit and apply.
    choose(dialog, 1);
    typeInto(dialog, 1001, "Quick Poll 2");
    QTest::mouseClick(button(dialog, 1013), Qt::LeftButton);
    QVERIFY(readFile(poll / "ver1" / "VimozList.xml").find("Quick Poll 2") != std::string::npos);
    QVERIFY(!fs::exists(poll / "ver1" / "VimoList.bin"));

    // Build the ZIP: notes.txt is left out and named.
    QTest::mouseClick(button(dialog, 1023), Qt::LeftButton);
    QCOMPARE(messages.shown().size(), 1);
    QVERIFY(messages.shown()[0].text.contains("notes.txt"));
    QVERIFY(fs::exists(poll.string() + ".zip"));
    QCOMPARE(edit(dialog, 1024)->text(), QString::fromStdString(poll.string() + ".zip"));

    // Make a copy of a published Vimo.
    onNextModal([](QWidget* modal) {
        auto* list = findControlAs<QListWidget>(modal, 1026);
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(1)->text(), QStringLiteral("Weather Now"));
        list->setCurrentRow(1);
        QTest::mouseClick(button(*modal, 1), Qt::LeftButton);
    });
    choose(dialog, 2);
    QCOMPARE(edit(dialog, 1001)->text(), QStringLiteral("Weather Now"));
    QCOMPARE(QString::fromStdU16String(dialog.presenter().shownId()),
             QStringLiteral("dev_user_vimo_1765000000"));
    QCOMPARE(messages.unanswered(), 0);
}

} // namespace vimo::test
