#pragma once

#include <QColor>
#include <QLabel>

#include <cstdint>

namespace vimo {

class MessageBox;
class Platform;

// A static text turned into a web link: blue underlined text, the pointing-hand cursor, a
// tooltip with the address, and opening of the address with the desktop's "open" action, with
// a message that explains a failure.
class CHyperLink : public QLabel
{
    Q_OBJECT

public:
    enum Flag : std::uint32_t
    {
        LinkUnderline = 0x01,
        LinkHoverColour = 0x02,
        LinkAutoSize = 0x04,
        LinkOpenOnPress = 0x08,
        LinkFocusOnClick = 0x10,
        LinkNoHandCursor = 0x20,
        LinkNoFocusColour = 0x40,
    };
    static constexpr std::uint32_t kDefaultFlags = 0x15;

    // The link colours, shared by every link: all the same blue.
    static QColor linkColour() { return QColor(0, 0, 255); }
    static QColor hoverColour() { return QColor(0, 0, 255); }
    static QColor focusColour() { return QColor(0, 0, 255); }
    static QColor visitedColour() { return QColor(0, 0, 255); }

    // A link showing `text`; it opens through `platform` and explains a failure through
    // `messages` (the system's and the standard boxes when null).
    explicit CHyperLink(const QString& text, QWidget* parent = nullptr,
                        const Platform* platform = nullptr, MessageBox* messages = nullptr,
                        std::uint32_t flags = kDefaultFlags);

    // Makes the control a link; runs once, when the control is constructed.
    void PreSubclassWindow();
    // Stores the address, re-fits the control and shows the address in the tooltip.
    void setUrl(const QString& url);
    const QString& url() const { return m_url; }
    // Opens the address; on failure beeps and explains the failure in a message box.
    void openLink();
    // Resizes the control to its text (only with LinkAutoSize).
    void positionWindow();
    void setPlatform(const Platform* platform) { m_platform = platform; }

    bool isActive() const { return m_active; }
    bool isHover() const { return m_hover; }
    bool isVisited() const { return m_visited; }
    std::uint32_t flags() const { return m_flags; }
    // The colour the text has in the current state.
    QColor currentColour() const;

    // The explanation of a failed open for the shell's result number.
    static QString explanation(int result);
    // The whole text of the failure message.
    static QString failureText(int result);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void refresh();
    void fitFont();

    bool m_active = false;
    bool m_hover = false;
    bool m_visited = false;
    std::uint32_t m_flags;
    QString m_url;
    const Platform* m_platform;
    MessageBox* m_messages;
    bool m_fitting = false; // set while the control changes its own font
};

} // namespace vimo
