#include "AppTestSupport.h"
#include "AppTests.h"

#include "app/CAboutDlg.h"
#include "app/controls/CHyperLink.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

namespace vimo::test {

void HyperLinkTest::failureTextsNameTheShellResult()
{
    QCOMPARE(CHyperLink::failureText(31),
             QStringLiteral("Can't open link:\n\nThere is no application associated\nwith the "
                            "given filename extension."));
    QCOMPARE(CHyperLink::failureText(4),
             QStringLiteral("Can't open link:\n\nUnknown Error (4) occurred."));
    QCOMPARE(CHyperLink::explanation(2), QStringLiteral("The specified file was not found."));
    QCOMPARE(CHyperLink::explanation(26), QStringLiteral("A sharing violation occurred. "));
    QCOMPARE(CHyperLink::explanation(0),
             QStringLiteral("The operating system is out\nof memory or resources."));
    QCOMPARE(CHyperLink::explanation(32),
             QStringLiteral("The specified dynamic-link library was not found."));
    QCOMPARE(CHyperLink::explanation(12), QStringLiteral("Unknown Error (12) occurred."));
    QCOMPARE(CHyperLink::explanation(-1), QStringLiteral("Unknown Error (-1) occurred."));
}

void HyperLinkTest::openingReportsFailureAndMarksSuccess()
{
    MessageScript messages;
    RecordingPlatform platform;
    QWidget parent;
    CHyperLink link(QStringLiteral("Site"), &parent, &platform, &messages);
    link.setUrl(QStringLiteral("http://example.test/page"));
    const QColor before = link.currentColour();

    platform.shellResult = 31;
    link.openLink();
    QCOMPARE(messages.texts(), QStringList{CHyperLink::failureText(31)});
    QVERIFY(messages.shown()[0].icon == MessageIcon::Exclamation);
    QCOMPARE(messages.shown()[0].caption, QStringLiteral("Orvo Vimo Developer Tool"));
    QVERIFY(!link.isVisited());

    messages.clear();
    platform.shellResult = 33;
    link.openLink();
    QVERIFY(messages.shown().isEmpty());
    QVERIFY(link.isVisited());
    QCOMPARE(platform.opened.back(), u"http://example.test/page");
    // The default colours make every state look the same.
    QCOMPARE(link.currentColour(), before);
    QCOMPARE(link.palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QVERIFY(link.font().underline());
    QCOMPARE(link.cursor().shape(), Qt::PointingHandCursor);
}

void HyperLinkTest::mouseAndKeyboardOpenTheLink()
{
    MessageScript messages;
    RecordingPlatform platform;
    QWidget parent;
    parent.resize(300, 100);
    CHyperLink link(QStringLiteral("Go somewhere"), &parent, &platform, &messages);
    link.move(10, 10);
    parent.show();
    parent.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&parent));

    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(3, 3));
    QVERIFY(platform.opened.empty()); // opens on release
    QVERIFY(link.hasFocus());
    QVERIFY(link.isActive());
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(platform.opened.size(), 1u);

    // A release outside the link is no click on it.
    QTest::mousePress(&link, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseRelease(&link, Qt::LeftButton, {}, QPoint(link.width() + 40, 3));
    QCOMPARE(platform.opened.size(), 1u);

    QTest::keyClick(&link, Qt::Key_Return);
    QCOMPARE(platform.opened.size(), 1u);
    QTest::keyClick(&link, Qt::Key_Space);
    QCOMPARE(platform.opened.size(), 2u);

    QTest::mouseMove(&link, QPoint(2, 2));
    QVERIFY(link.isHover());
    QTest::mouseMove(&link, QPoint(1, 1));
    QVERIFY(link.isHover());
    QTest::mouseMove(&parent, QPoint(290, 90));
    QVERIFY(!link.isHover());

    // Losing the focus ends both the hover and the active state.
    QTest::mouseMove(&link, QPoint(2, 2));
    QVERIFY(link.isHover() && link.isActive());
    QLineEdit other(&parent);
    other.move(10, 60);
    other.show();
    other.setFocus();
    QVERIFY(other.hasFocus());
    QVERIFY(!link.isHover());
    QVERIFY(!link.isActive());
    QVERIFY(messages.shown().isEmpty());
}

void HyperLinkTest::addressComesFromTheTextUntilSet()
{
    RecordingPlatform platform;
    QWidget parent;
    CHyperLink link(QStringLiteral("Go to Upload Vimo page"), &parent, &platform);
    QCOMPARE(link.url(), QStringLiteral("Go to Upload Vimo page"));
    QCOMPARE(link.toolTip(), QStringLiteral("Go to Upload Vimo page"));
    link.setUrl(QStringLiteral("http://content.example/up.html"));
    QCOMPARE(link.url(), QStringLiteral("http://content.example/up.html"));
    QCOMPARE(link.toolTip(), QStringLiteral("http://content.example/up.html"));
    QCOMPARE(link.text(), QStringLiteral("Go to Upload Vimo page"));
    QCOMPARE(link.flags(), 0x15u);
}

void HyperLinkTest::autoSizeFitsTheText()
{
    RecordingPlatform platform;
    QWidget parent;
    CHyperLink left(QStringLiteral("Left link"), &parent, &platform);
    left.setGeometry(10, 10, 300, 40);
    left.positionWindow();
    const QSize text = QFontMetrics(left.font()).size(Qt::TextSingleLine, left.text());
    QCOMPARE(left.geometry(), QRect(QPoint(10, 10), text));

    CHyperLink centred(QStringLiteral("Centred link"), &parent, &platform);
    centred.setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    centred.setGeometry(100, 100, 300, 60);
    const QPoint centre = centred.geometry().center();
    centred.positionWindow();
    QVERIFY((centred.geometry().center() - centre).manhattanLength() <= 2);
    QCOMPARE(centred.width(),
             QFontMetrics(centred.font()).size(Qt::TextSingleLine, centred.text()).width() + 1);

    CHyperLink right(QStringLiteral("Right"), &parent, &platform);
    right.setAlignment(Qt::AlignRight | Qt::AlignTop);
    right.setGeometry(0, 0, 200, 30);
    right.positionWindow();
    QCOMPARE(right.geometry().right(), 199);

    // Without auto-size nothing moves.
    CHyperLink fixed(QStringLiteral("Fixed"), &parent, &platform, nullptr, 0x11);
    fixed.setGeometry(5, 5, 120, 30);
    fixed.positionWindow();
    QCOMPARE(fixed.geometry(), QRect(5, 5, 120, 30));
}

void HyperLinkTest::focusShowsAFrameAndTheSizeFollowsTheFont()
{
    RecordingPlatform platform;
    QWidget parent;
    auto* layout = new QVBoxLayout(&parent);
    auto* link = new CHyperLink(QStringLiteral("Go to Upload Vimo page"), &parent, &platform);
    layout->addWidget(link);
    auto* other = new QLineEdit(&parent);
    layout->addWidget(other);
    parent.show();
    parent.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&parent));

    other->setFocus();
    const QImage unfocused = link->grab().toImage();
    link->setFocus();
    QVERIFY(link->hasFocus());
    QVERIFY(link->grab().toImage() != unfocused);

    const QSize before = link->size();
    QFont larger = parent.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    parent.setFont(larger);
    QVERIFY(link->font().underline());
    QVERIFY(link->width() > before.width() * 3 / 2);
    QVERIFY(link->height() > before.height() * 3 / 2);
}

void HyperLinkTest::aboutBoxLinksToTheContentServer()
{
    MessageScript messages;
    RecordingPlatform platform;
    CAboutDlg about(QStringLiteral("http://content.example"), platform, messages);
    about.OnInitDialog();
    QCOMPARE(about.windowTitle(), QStringLiteral("About Orvo Open Vimoz - Developer Tool"));
    auto* site = findControlAs<CHyperLink>(&about, 1030);
    auto* terms = findControlAs<CHyperLink>(&about, 1031);
    QCOMPARE(site->text(), QStringLiteral("Orvo Vimoz Developer site"));
    QCOMPARE(site->url(),
             QStringLiteral("http://content.example/cf/orvo65/openvimoz_dev_site.html"));
    QCOMPARE(terms->text(), QStringLiteral("Terms of service"));
    QCOMPARE(terms->url(),
             QStringLiteral("http://content.example/cf/orvo65/openvimoz_dev_legal.html"));
    QCOMPARE(button(about, 1)->text(), QStringLiteral("Close"));

    // The Help menu opens it from the main window.
    AppEnvironment env;
    auto dialog = env.start();
    QVERIFY(env.messages.shown().isEmpty());
    QString title;
    bool closeHasFocus = false;
    onNextModal([&](QWidget* modal) {
        title = modal->windowTitle();
        // The window's own focus child: the application's focus follows only once the window
        // manager has activated the box, which a loaded machine may not have done yet.
        QWidget* focused = modal->focusWidget();
        closeHasFocus = focused == button(*modal, 1);
        // Space on the control that has the focus closes the box; it opens no page.
        QTest::keyClick(focused ? focused : modal, Qt::Key_Space);
        if (modal->isVisible()) {
            QTest::keyClick(modal, Qt::Key_Escape);
        }
    });
    findCommand(dialog.get(), 32773)->trigger();
    QCOMPARE(title, QStringLiteral("About Orvo Open Vimoz - Developer Tool"));
    QVERIFY(closeHasFocus);
    QVERIFY(env.platform.opened.empty());
    QVERIFY(messages.shown().isEmpty());
}

} // namespace vimo::test
