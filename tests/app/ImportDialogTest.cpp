#include "AppTestSupport.h"
#include "AppTests.h"

#include "app/CImportVimoDlg.h"

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace vimo::test {

namespace {

struct ImportEnvironment
{
    explicit ImportEnvironment(const std::vector<std::pair<std::string, std::string>>& published)
    {
        for (const auto& [id, name] : published) {
            env.addPublished(id, name);
        }
        env.addDev("dev", "Under development");
        workspace.locateInstallation();
        workspace.loadAll();
        dialog.OnInitDialog();
        dialog.show();
        dialog.activateWindow();
        if (!QTest::qWaitForWindowActive(&dialog)) {
            qWarning("the import dialog did not become active");
        }
    }
    QListWidget* list() { return findControlAs<QListWidget>(&dialog, 1026); }
    QPushButton* import() { return button(dialog, 1); }

    AppEnvironment env;
    VimoWorkspace workspace{env.platform};
    CImportVimoDlg dialog{workspace};
};

QStringList entries(QListWidget* list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i) {
        result << list->item(i)->text();
    }
    return result;
}

} // namespace

void ImportDialogTest::listsPublishedVimosSortedByName()
{
    ImportEnvironment subject({{"p1", "gamma"}, {"p2", "Alpha"}, {"p3", "beta"}});
    QCOMPARE(subject.dialog.windowTitle(), QStringLiteral("Import Vimo"));
    QCOMPARE(entries(subject.list()), (QStringList{"Alpha", "beta", "gamma"}));
    QCOMPARE(subject.list()->item(0)->data(Qt::UserRole).toString(), QStringLiteral("p2"));

    ImportEnvironment empty({});
    QCOMPARE(empty.list()->count(), 0);
    QVERIFY(!empty.import()->isEnabled());
    QTest::keyClick(&empty.dialog, Qt::Key_Escape);
    QCOMPARE(empty.dialog.result(), int(QDialog::Rejected));
    QVERIFY(empty.dialog.selectedId().isEmpty());
}

void ImportDialogTest::importWaitsForAChoiceAndDoubleClickOnlySelects()
{
    ImportEnvironment subject({{"p1", "One"}, {"p2", "Two"}});
    QVERIFY(!subject.import()->isEnabled());
    // Enter where the dialog put the focus neither imports nor cancels.
    QVERIFY(subject.list()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QVERIFY(subject.dialog.isVisible());

    const QRect second = subject.list()->visualItemRect(subject.list()->item(1));
    QTest::mouseDClick(subject.list()->viewport(), Qt::LeftButton, {}, second.center());
    QVERIFY(subject.import()->isEnabled());
    QVERIFY(subject.dialog.isVisible());

    QTest::keyClick(subject.list(), Qt::Key_Return);
    QVERIFY(!subject.dialog.isVisible());
    QCOMPARE(subject.dialog.result(), int(QDialog::Accepted));
    QCOMPARE(subject.dialog.selectedId(), QStringLiteral("p2"));
}

void ImportDialogTest::sameNamesStayDistinct()
{
    ImportEnvironment subject({{"p1", "Same"}, {"p2", "Same"}});
    QCOMPARE(entries(subject.list()), (QStringList{"Same", "Same"}));
    const QString chosen = subject.list()->item(1)->data(Qt::UserRole).toString();
    const QString other = subject.list()->item(0)->data(Qt::UserRole).toString();
    QVERIFY(chosen != other);
    subject.list()->setCurrentRow(1);
    QTest::mouseClick(subject.import(), Qt::LeftButton);
    QCOMPARE(subject.dialog.selectedId(), chosen);
}

void ImportDialogTest::keysChooseFromTheFirstEntry()
{
    for (const Qt::Key key : {Qt::Key_Home, Qt::Key_Down, Qt::Key_Up}) {
        ImportEnvironment subject({{"p1", "One"}, {"p2", "Two"}});
        QTest::keyClick(subject.list(), key);
        QVERIFY(subject.import()->isEnabled());
        QTest::keyClick(subject.list(), Qt::Key_Return);
        QCOMPARE(subject.dialog.selectedId(), QStringLiteral("p1"));
    }
    ImportEnvironment subject({{"p1", "One"}, {"p2", "Two"}});
    QTest::keyClick(subject.list(), Qt::Key_Down);
    QTest::keyClick(subject.list(), Qt::Key_Down);
    QTest::keyClick(subject.list(), Qt::Key_Return);
    QCOMPARE(subject.dialog.selectedId(), QStringLiteral("p2"));
}

} // namespace vimo::test
