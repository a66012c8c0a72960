#pragma once

#include "presenter/Message.h"

#include <QString>

class QWidget;

namespace vimo {

struct MessageRequest
{
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString detail; // the cause of a failure, shown on request below the text
};

// Every message box of the tool goes through one of these, captioned with the application
// title. The windows are given the one they use, so that tests answer the boxes instead.
class MessageBox
{
public:
    virtual ~MessageBox() = default;

    // The platform's own message boxes.
    static MessageBox& standard();

    // Shows `text` and returns the answer (MessageAnswer).
    int show(QWidget* parent, const QString& text, MessageIcon icon,
             MessageButtons buttons = MessageButtons::Ok, const QString& detail = {});

protected:
    // Shows one box; a box without a visible parent is centred on the screen.
    virtual int present(QWidget* parent, const MessageRequest& request);
};

} // namespace vimo
