#include "AppTestSupport.h"
#include "AppTests.h"

#include "app/CDevToolApp.h"
#include "app/controls/CHyperLink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

namespace vimo::test {

void StartupTest::missingClientShows117HidesTheWindowAndEndsWithOne()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    TempDir emptyPrefix;
    env.platform.env["WINEPREFIX"] = emptyPrefix.path().string();
    CDevToolDlg dialog(env.platform, messages);
    QVERIFY(!dialog.OnInitDialog());
    QVERIFY(dialog.endedAtStartup());
    QVERIFY(!dialog.isVisible());
    QCOMPARE(messages.shown().size(), 1);
    QCOMPARE(messages.shown()[0].text,
             QStringLiteral("In order to be able to use the Open Vimoz Developer tool you first "
                            "need to install Orvo 6.5 and above."));
    QCOMPARE(messages.shown()[0].caption, QStringLiteral("Orvo Vimo Developer Tool"));
    QVERIFY(messages.shown()[0].icon == MessageIcon::Exclamation);
    QCOMPARE(env.server.requestCount(), 0);

    // A launcher or script tells a failed start from a window the user closed by the status.
    QCOMPARE(CDevToolApp::InitInstance(env.platform, messages), 1);
    AppEnvironment working;
    working.addDev("d1", "Dev");
    const int closed = CDevToolApp::InitInstance(working.platform, working.messages, [] {
        if (QWidget* window = QApplication::activeModalWidget()) {
            window->close();
        }
    });
    QCOMPARE(closed, 0);
    QVERIFY(working.messages.shown().isEmpty());
}

void StartupTest::fixedEntriesFollowTheCatalogue()
{
    {
        AppEnvironment env;
        env.addPublished("p1", "Published");
        auto dialog = env.start();
        QCOMPARE(listEntries(*dialog), (QStringList{"Select an Vimo", kImportEntry}));
    }
    {
        // No services folder at all: an empty catalogue, not a failure.
        AppEnvironment env;
        fs::remove_all(env.install.installFolder() / "services");
        auto dialog = env.start();
        QVERIFY(dialog->isVisible());
        QCOMPARE(listEntries(*dialog), QStringList{"Select an Vimo"});
        QVERIFY(env.messages.shown().isEmpty());
    }
}

void StartupTest::startsLockedWithEveryControlInTabOrder()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    env.addDev("d1", "Dev");
    auto dialog = env.start();
    CDevToolDlg& dlg = *dialog;
    QCOMPARE(dlg.windowTitle(), QStringLiteral("Orvo Open Vimoz - Developer Tool"));
    QVERIFY(!dlg.windowIcon().isNull());

    const std::pair<int, const char*> texts[] = {{1013, "&Apply"},
                                                 {1015, "&Open folder"},
                                                 {1016, "O&pen folder"},
                                                 {1019, "Open &folder"},
                                                 {1022, "Open 2n&d Orvo"},
                                                 {1023, "Create &ZIP file"},
                                                 {1, "OK"},
                                                 {2, "Cancel"},
                                                 {1032, "___CANCEL_DEFAULT_BTN__"},
                                                 {1028, "&Local Vimo"},
                                                 {1029, "W&eb Vimo:"},
                                                 {1020, "&Interactive Vimo"}};
    for (const auto& [id, text] : texts) {
        auto* control = qobject_cast<QAbstractButton*>(findControl(&dlg, id));
        QVERIFY2(control, qPrintable(QString::number(id)));
        QCOMPARE(control->text(), QString::fromUtf8(text));
    }
    QCOMPARE(findControlAs<QLabel>(&dlg, 1027)->text(), QStringLiteral("Go to Upload Vimo page"));
    QCOMPARE(findControlAs<CHyperLink>(&dlg, 1027)->url(),
             QStringLiteral("http://content.example/cf/orvo65/openvimoz_upload.html"));

    // Locked: the properties read-only and drawn disabled, their controls and the archive
    // buttons disabled.
    for (int id : {1001, 1002, 1003, 1005, 1009, 1011, 1024}) {
        QVERIFY2(edit(dlg, id)->isReadOnly(), qPrintable(QString::number(id)));
    }
    for (int id : {1001, 1002, 1003, 1005, 1009, 1011, 1004, 1006, 1020, 1022, 1010, 1015, 1016,
                   1028, 1029, 1013, 1023, 1019}) {
        QVERIFY2(!findControl(&dlg, id)->isEnabled(), qPrintable(QString::number(id)));
    }
    QVERIFY(!button(dlg, 1032)->isVisible());
    QVERIFY(button(dlg, 1032)->isDefault());
    QCOMPARE(edit(dlg, 1001)->maxLength(), 50);
    QCOMPARE(edit(dlg, 1002)->maxLength(), 500);
    QVERIFY(findCommand(&dlg, 1014) && findCommand(&dlg, 1025) && findCommand(&dlg, 32773));

    const QList<int> order = {1000, 1001, 1002, 1003, 1005, 1028, 1029, 1010, 1020, 1022, 1013,
                              1009, 1015, 1011, 1016, 1023, 1024, 1019, 1,    2,    1027};
    QList<int> seen;
    QWidget* widget = findControl(&dlg, 1000);
    do {
        const int id = controlId(widget);
        if (order.contains(id) && !seen.contains(id)) {
            seen << id;
        }
        widget = widget->nextInFocusChain();
    } while (widget != findControl(&dlg, 1000));
    QCOMPARE(seen, order);

    // The mnemonics of the labels reach their fields, and the menus' clash with none of them.
    choose(dlg, 1);
    const std::pair<Qt::Key, int> mnemonics[] = {{Qt::Key_N, 1001}, {Qt::Key_R, 1002},
                                                 {Qt::Key_W, 1003}, {Qt::Key_H, 1005},
                                                 {Qt::Key_S, 1009}, {Qt::Key_V, 1011}};
    for (const auto& [key, id] : mnemonics) {
        QTest::keyClick(&dlg, key, Qt::AltModifier);
        QVERIFY2(findControl(&dlg, id)->hasFocus(), qPrintable(QString::number(id)));
    }
    QCOMPARE(dlg.findChild<QMenuBar*>()->actions().value(0)->text(), QStringLiteral("Vi&mo"));
    QCOMPARE(findCommand(&dlg, 32773)->shortcut(), QKeySequence(Qt::Key_F1));
    QVERIFY(messages.shown().isEmpty());
}

void StartupTest::windowFitsAScaledScreenAndResizes()
{
    AppEnvironment env;
    env.addDev("d1", "Dev");
    auto dialog = env.start();
    // 1366x768 at 150% and 1920x1080 at 200% leave about 910x512 and 960x540 device-independent
    // pixels, less a title bar.
    const QSize smallest = dialog->minimumSizeHint();
    QVERIFY2(smallest.width() <= 900 && smallest.height() <= 480,
             qPrintable(QStringLiteral("%1x%2").arg(smallest.width()).arg(smallest.height())));
    QVERIFY(dialog->minimumSize() != dialog->maximumSize());
    dialog->resize(smallest + QSize(200, 100));
    QCOMPARE(dialog->size(), smallest + QSize(200, 100));
}

void StartupTest::messageBoxesShowTheWholeCaptionCentred()
{
    QWidget hidden; // the main window while it starts
    QRect box;
    QString caption;
    onNextModal([&](QWidget* modal) {
        box = modal->frameGeometry();
        caption = modal->windowTitle();
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    MessageBox::standard().show(&hidden, QStringLiteral("Short."), MessageIcon::Stop);
    QCOMPARE(caption, QStringLiteral("Orvo Vimo Developer Tool"));
    // Room for the caption beside the title bar's buttons.
    const QFontMetrics metrics(QApplication::font());
    QVERIFY(box.width() >= metrics.horizontalAdvance(caption) + metrics.averageCharWidth() * 12);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY2((box.center() - screen.center()).manhattanLength() < 40,
             qPrintable(QStringLiteral("%1,%2").arg(box.center().x()).arg(box.center().y())));
}

void StartupTest::wheelOverTheUnfocusedListChangesNothing()
{
    AppEnvironment env;
    env.addDev("d1", "Dev");
    env.addPublished("p1", "Published");
    auto dialog = env.start();
    auto* list = findControlAs<QComboBox>(dialog.get(), 1000);
    edit(*dialog, 1024)->setFocus();
    const auto turn = [list] {
        QWheelEvent wheel(QPointF(5, 5), list->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &wheel);
    };
    turn();
    QCOMPARE(list->currentIndex(), 0);
    QVERIFY(!dialog->presenter().isEditing());
    list->setFocus();
    turn();
    QCOMPARE(list->currentIndex(), 1);
}

} // namespace vimo::test
