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

void FormTest::applyFollowsRealChangesOnly()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    QVERIFY(dialog->isEditing());
    QPushButton* apply = button(*dialog, 1013);
    QVERIFY(!apply->isEnabled());

    typeInto(*dialog, 1001, "DEMO"); // letter case only
    QVERIFY(!apply->isEnabled());
    QVERIFY(!dialog->HasChanges(1));
    typeInto(*dialog, 1001, "Demo 2");
    QVERIFY(apply->isEnabled());
    typeInto(*dialog, 1001, "Demo"); // back to the stored text
    QVERIFY(!apply->isEnabled());

    clickIndicator(findControlAs<QCheckBox>(dialog.get(), 1020));
    QVERIFY(apply->isEnabled());
    clickIndicator(findControlAs<QCheckBox>(dialog.get(), 1020));
    QVERIFY(!apply->isEnabled());

    // A record that vanished from the catalogue counts as unchanged.
    QVERIFY(!dialog->HasChanges(0));

    // OK writes even a change of letter case only; the list keeps the old text until rebuilt.
    typeInto(*dialog, 1001, "DEMO");
    click(*dialog, 1);
    QVERIFY(!dialog->isVisible());
    QVERIFY(env.catalogue("d1").find("name=\"DEMO\"") != std::string::npos);
    QCOMPARE(listEntries(*dialog).value(1), QStringLiteral("Demo"));
    QVERIFY(messages.shown().isEmpty());
}

void FormTest::readBackRefusesWhatIsNoUnsignedNumber()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo"); // 400 x 300
    auto dialog = env.startOn(1);
    QLineEdit* width = edit(*dialog, 1003);

    for (const QString& bad :
         {QStringLiteral("-5"), QString(), QStringLiteral("12a"), QStringLiteral("99999999999")}) {
        messages.clear();
        width->setText(bad);
        QCOMPARE(messages.texts(), QStringList{"Please enter a positive integer."});
        QVERIFY(messages.shown()[0].icon == MessageIcon::Exclamation);
        QCOMPARE(messages.shown()[0].caption, QStringLiteral("Orvo Vimo Developer Tool"));
        QVERIFY(width->hasFocus());
        QCOMPARE(width->selectedText(), bad);
    }
    // The read-back stopped at the width: the previous width is kept, and the fields after it
    // (the height here) are not read either.
    messages.clear();
    edit(*dialog, 1005)->setText("250");
    QCOMPARE(messages.texts(), QStringList{"Please enter a positive integer."});
    width->setText(" \t640\t ");
    QVERIFY(dialog->UpdateData(true));
    QVERIFY(button(*dialog, 1013)->isEnabled());
    QVERIFY(dialog->HasChanges(1));
}

void FormTest::validationChecksNameWidthAndHeight()
{
    MessageScript messages;
    AppEnvironment env;
    env.addDev("d1", "Demo");
    auto dialog = env.startOn(1);
    QPushButton* apply = button(*dialog, 1013);

    const struct
    {
        int field;
        QString text;
        QString message;
        QString restore;
    } cases[] = {
        {1001, "   ", "Vimo name should not be empty.", "Demo"},
        {1003, "0", "Vimo window width exceeds out of range:1-1024", "400"},
        {1003, "1025", "Vimo window width exceeds out of range:1-1024", "400"},
        {1005, "0", "Vimo window height exceeds out of range:1-768", "300"},
        {1005, "769", "Vimo window height exceeds out of range:1-768", "300"},
    };
    for (const auto& c : cases) {
        messages.clear();
        typeInto(*dialog, c.field, c.text);
        QTest::mouseClick(apply, Qt::LeftButton);
        QCOMPARE(messages.texts(), QStringList{c.message});
        QVERIFY(messages.shown()[0].icon == MessageIcon::Stop);
        QVERIFY(edit(*dialog, c.field)->hasFocus());
        QCOMPARE(stored(*dialog, u"d1").width, 400);
        typeInto(*dialog, c.field, c.restore);
    }
    // The edges of the ranges pass.
    messages.clear();
    typeInto(*dialog, 1005, "768");
    typeInto(*dialog, 1003, "1");
    QTest::mouseClick(apply, Qt::LeftButton);
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(stored(*dialog, u"d1").width, 1);
    typeInto(*dialog, 1003, "1024");
    typeInto(*dialog, 1005, "1");
    QTest::mouseClick(apply, Qt::LeftButton);
    QVERIFY(messages.shown().isEmpty());
    QCOMPARE(stored(*dialog, u"d1").width, 1024);
    QCOMPARE(stored(*dialog, u"d1").height, 1);
}

void FormTest::savedRecordTakesTrimmedNameAndTheTemplateAddress()
{
    MessageScript messages;
    AppEnvironment env;
    VimoSpec spec;
    spec.id = "d1";
    spec.name = "Demo";
    spec.url = "http://old.example/main.html";
    env.install.addVimo(spec);
    auto dialog = env.startOn(1);
    typeInto(*dialog, 1001, "  Spaced  ");
    click(*dialog, 1013);
    const VimoInfo info = stored(*dialog, u"d1");
    QCOMPARE(info.name, u"Spaced");
    QCOMPARE(info.url, u"http://developer.example/template_vimo/index.vimo");
    QVERIFY(info.isDev);
    QVERIFY(!info.isDhtml);
    QVERIFY(messages.shown().isEmpty());
}

void FormTest::mainFileKindDecidesTheAddressField()
{
    MessageScript messages;
    AppEnvironment env;
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

    typeInto(*dialog, 1010, "HTTP://WEB.EXAMPLE/B/INDEX.HTML");
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
    MessageScript messages;
    AppEnvironment env;
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
    MessageScript messages;
    AppEnvironment env;
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
    MessageScript messages;
    AppEnvironment env;
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
