#include "app/controls/CHyperLink.h"

#include "app/MessageBox.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace vimo {

CHyperLink::CHyperLink(const QString& text, QWidget* parent, const Platform* platform,
                       MessageBox* messages, std::uint32_t flags)
    : QLabel(text, parent), m_flags(flags), m_platform(platform),
      m_messages(messages ? messages : &MessageBox::standard())
{
    // A static text takes no prefix characters; the link shows its text as it is.
    setTextFormat(Qt::PlainText);
    // Like a plain static text: left and top unless the dialog asks otherwise.
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    PreSubclassWindow();
}

void CHyperLink::PreSubclassWindow()
{
    if (m_url.isEmpty()) {
        m_url = text();
    }
    if (text().isEmpty()) {
        setText(m_url);
    }
    fitFont();
    if (!(m_flags & LinkNoHandCursor)) {
        // Qt's own pointing hand stands in for the hand cursor of the old help program.
        setCursor(Qt::PointingHandCursor);
    }
    setToolTip(m_url);
    refresh();
}

void CHyperLink::setUrl(const QString& url)
{
    m_url = url;
    const bool wasVisible = isVisible();
    if (wasVisible) {
        hide();
    }
    positionWindow();
    setToolTip(m_url);
    if (wasVisible) {
        show();
    }
}

void CHyperLink::openLink()
{
    const Platform& platform = m_platform ? *m_platform : Platform::system();
    const int result = platform.shellOpen(m_url.toStdU16String());
    if (result > 32) {
        m_visited = true;
        refresh();
        return;
    }
    QApplication::beep();
    m_messages->show(this, failureText(result), MessageIcon::Exclamation);
}

void CHyperLink::positionWindow()
{
    if (!(m_flags & LinkAutoSize)) {
        return;
    }
    QRect window = geometry();
    const QRect client = contentsRect();
    const QSize textSize = QFontMetrics(font()).size(Qt::TextSingleLine, text());
    const Qt::Alignment align = alignment();

    if (align & Qt::AlignVCenter) {
        const int shrink = (window.height() - textSize.height()) / 2;
        window.adjust(0, shrink, 0, -shrink);
    } else {
        window.setBottom(window.top() + textSize.height() - 1);
    }
    if (align & Qt::AlignHCenter) {
        const int shrink = (window.width() - textSize.width()) / 2;
        window.adjust(shrink, 0, -shrink, 0);
    } else if (align & Qt::AlignRight) {
        window.setLeft(window.right() + 1 - textSize.width());
    } else {
        window.setRight(window.left() + textSize.width() - 1);
    }
    const QSize size(window.width() + (width() - client.width()),
                     window.height() + (height() - client.height()));
    // Inside a layout the fixed size is what the layout honours.
    if (parentWidget() && parentWidget()->layout()) {
        setFixedSize(size);
    }
    setGeometry(QRect(window.topLeft(), size));
    update();
}

QColor CHyperLink::currentColour() const
{
    if (m_hover && (m_flags & LinkHoverColour)) {
        return hoverColour();
    }
    if (m_active && !(m_flags & LinkNoFocusColour)) {
        return focusColour();
    }
    if (m_visited) {
        return visitedColour();
    }
    return linkColour();
}

void CHyperLink::refresh()
{
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, currentColour());
    setPalette(colours);
    update();
}

void CHyperLink::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mousePressEvent(event);
        return;
    }
    if (m_flags & LinkFocusOnClick) {
        setFocus(Qt::MouseFocusReason);
    }
    if (m_flags & LinkOpenOnPress) {
        openLink();
    }
    m_active = true;
    refresh();
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        QLabel::mouseReleaseEvent(event);
        return;
    }
    // A release outside the link is no click on it (the link's hover ended there).
    if (m_active && !(m_flags & LinkOpenOnPress) && rect().contains(event->position().toPoint())) {
        openLink();
    }
}

void CHyperLink::mouseMoveEvent(QMouseEvent* event)
{
    const bool inside = rect().contains(event->position().toPoint());
    if (!m_hover && inside) {
        m_hover = true;
        refresh();
    } else if (m_hover && !inside) {
        m_hover = false;
        refresh();
    }
}

void CHyperLink::leaveEvent(QEvent* event)
{
    if (m_hover) {
        m_hover = false;
        refresh();
    }
    QLabel::leaveEvent(event);
}

void CHyperLink::focusInEvent(QFocusEvent* event)
{
    m_active = true;
    refresh();
    QLabel::focusInEvent(event);
}

void CHyperLink::focusOutEvent(QFocusEvent* event)
{
    m_hover = false;
    m_active = false;
    refresh();
    QLabel::focusOutEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Space) {
        openLink();
        return;
    }
    QLabel::keyPressEvent(event);
}

// The platform's focus rectangle around the text while the link has the keyboard focus.
void CHyperLink::paintEvent(QPaintEvent* event)
{
    QLabel::paintEvent(event);
    if (!hasFocus()) {
        return;
    }
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    // Styles draw the rectangle only for a focus the keyboard moved; a link shows it always.
    option.state |= QStyle::State_KeyboardFocusChange | QStyle::State_HasFocus;
    option.backgroundColor = palette().color(QPalette::Window);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
}

// A new font (the dialog's, or a larger one for reading) gets the link's underline and size.
void CHyperLink::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() != QEvent::FontChange || m_fitting) {
        return;
    }
    fitFont();
}

// Underlines the control's font as the flags ask and re-fits the control to its text.
void CHyperLink::fitFont()
{
    QFont linkFont = font();
    linkFont.setUnderline((m_flags & LinkUnderline) != 0);
    m_fitting = true;
    setFont(linkFont);
    m_fitting = false;
    positionWindow();
}

QString CHyperLink::explanation(int result)
{
    switch (result) {
    case 0:
        return QStringLiteral("The operating system is out\nof memory or resources.");
    case 2:
        return QStringLiteral("The specified file was not found.");
    case 3:
        return QStringLiteral("The specified path was not found.");
    case 5:
        return QStringLiteral("The operating system denied\naccess to the specified file.");
    case 8:
        return QStringLiteral("There was not enough memory to complete the operation.");
    case 11:
        return QStringLiteral("The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).");
    case 26:
        return QStringLiteral("A sharing violation occurred. ");
    case 27:
        return QStringLiteral("The filename association is\nincomplete or invalid.");
    case 28:
        return QStringLiteral(
            "The DDE transaction could not\nbe completed because the request timed out.");
    case 29:
        return QStringLiteral("The DDE transaction failed.");
    case 30:
        return QStringLiteral("The DDE transaction could not\nbe completed because other DDE "
                              "transactions\nwere being processed.");
    case 31:
        return QStringLiteral(
            "There is no application associated\nwith the given filename extension.");
    case 32:
        return QStringLiteral("The specified dynamic-link library was not found.");
    default:
        return QStringLiteral("Unknown Error (%1) occurred.").arg(result);
    }
}

QString CHyperLink::failureText(int result)
{
    return QStringLiteral("Can't open link:\n\n") + explanation(result);
}

} // namespace vimo
