#include "AppTestSupport.h"
#include "AppTests.h"

#include "app/controls/UpDownControl.h"
#include "platform/Text.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

namespace vimo::test {

namespace {

// Clicks a check box or radio button on its indicator, where a click counts.
void clickIndicator(QWidget* control)
{
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(6, control->height() / 2));
}

VimoInfo stored(CDevToolDlg& dialog, const std::u16string& id)
{
    VimoInfo info;
    dialog.workspace().getVimo(id, info);
    return info;
}

} // namespace

void FormTest::mainFileKindDecidesTheAddressField()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    env.addDev("a", "Local");
    env.addDev("b", "Web", true);
    auto dialog = env.start();
    QLineEdit* url = edit(*dialog, 1010);

    choose(*dialog, 1);
    QVERIFY(url->isEnabled());
    QVERIFY(url->isReadOnly());
    QCOMPARE(url->text(), QStringLiteral("http://"));
    choose(*dialog, 2);
    QVERIFY(url->isEnabled());
    QVERIFY(!url->isReadOnly());
    QCOMPARE(url->text(), QStringLiteral("http://web.example/b/index.html"));

    // Edits of the address are tracked like every other field's.
    typeInto(*dialog, 1010, "http://web.example/b/other.html");
    QVERIFY(button(*dialog, 1013)->isEnabled());
    typeInto(*dialog, 1010, "http://web.example/b/index.html");
    QVERIFY(!button(*dialog, 1013)->isEnabled());
    clickIndicator(findControlAs<QRadioButton>(dialog.get(), 1028));
    QVERIFY(!url->isEnabled());
    QVERIFY(url->isReadOnly());
    QVERIFY(button(*dialog, 1013)->isEnabled());
    clickIndicator(findControlAs<QRadioButton>(dialog.get(), 1029));
    QVERIFY(url->isEnabled());
    QVERIFY(!url->isReadOnly());
    QVERIFY(messages.shown().isEmpty());
}

void FormTest::upDownControlsStepWithinTheirRange()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    env.addDev("d1", "Demo");
    auto dialog = env.start();
    auto* widthSpin = findControlAs<UpDownControl>(dialog.get(), 1004);
    auto* heightSpin = findControlAs<UpDownControl>(dialog.get(), 1006);
    QLineEdit* width = edit(*dialog, 1003);
    QLineEdit* height = edit(*dialog, 1005);

    // Locked: the arrows do nothing.
    QTest::keyClick(width, Qt::Key_Up);
    QCOMPARE(width->text(), QStringLiteral("500"));

    choose(*dialog, 1);
    QCOMPARE(widthSpin->minimum(), 1);
    QCOMPARE(widthSpin->maximum(), 1024);
    QCOMPARE(heightSpin->maximum(), 768);
    auto arrows = widthSpin->findChildren<QToolButton*>();
    QCOMPARE(arrows.size(), 2);
    QTest::mouseClick(arrows[0], Qt::LeftButton);
    QCOMPARE(width->text(), QStringLiteral("401"));
    QVERIFY(button(*dialog, 1013)->isEnabled());
    QTest::mouseClick(arrows[1], Qt::LeftButton);
    QCOMPARE(width->text(), QStringLiteral("400"));
    QVERIFY(!button(*dialog, 1013)->isEnabled());

    height->setFocus();
    QTest::keyClick(height, Qt::Key_Down);
    QCOMPARE(height->text(), QStringLiteral("299"));
    height->setText("768");
    QTest::keyClick(height, Qt::Key_Up);
    QCOMPARE(height->text(), QStringLiteral("768"));
    height->setText("5000");
    QTest::keyClick(height, Qt::Key_Down);
    QCOMPARE(height->text(), QStringLiteral("767"));

    // Free text stays possible; the arrows then step from the last number.
    typeInto(*dialog, 1003, "0");
    QCOMPARE(width->text(), QStringLiteral("0"));
    QTest::mouseClick(arrows[1], Qt::LeftButton);
    QCOMPARE(width->text(), QStringLiteral("1"));
    QVERIFY(messages.shown().isEmpty());
}

void FormTest::enterInAFieldRunsNoCommand()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    const std::string before = env.catalogue("d1");
    typeInto(*dialog, 1001, "Changed");
    QTest::keyClick(edit(*dialog, 1001), Qt::Key_Return);
    QTest::keyClick(edit(*dialog, 1003), Qt::Key_Enter);
    QVERIFY(dialog->isVisible());
    QVERIFY(button(*dialog, 1013)->isEnabled());
    QCOMPARE(env.catalogue("d1"), before);

    // On a focused push button Enter presses it.
    button(*dialog, 1013)->setFocus();
    QTest::keyClick(button(*dialog, 1013), Qt::Key_Return);
    QCOMPARE(stored(*dialog, u"d1").name, u"Changed");
    QVERIFY(messages.shown().isEmpty());
}

void FormTest::textLongerThanTheLimitIsShownWhole()
{
    AppEnvironment env;
    MessageScript& messages = env.messages;
    std::string configuration = ConfigServer::defaultConfiguration();
    configuration.replace(configuration.find("\"50\""), 4, "\"6\"");
    env.server.setConfiguration(configuration);
    env.addDev("d1", "A name longer than six");
    auto dialog = env.startOn(1);
    QLineEdit* name = edit(*dialog, 1001);
    QCOMPARE(name->text(), QStringLiteral("A name longer than six"));
    QVERIFY(!button(*dialog, 1013)->isEnabled());
    // Typing is limited: nothing is added to the long text, and a short one stops at six.
    name->setFocus();
    name->end(false);
    QTest::keyClicks(name, "xyz");
    QCOMPARE(name->text(), QStringLiteral("A name longer than six"));
    typeInto(*dialog, 1001, "Short name");
    QCOMPARE(name->text(), QStringLiteral("Short "));
    QVERIFY(messages.shown().isEmpty());
}

} // namespace vimo::test
