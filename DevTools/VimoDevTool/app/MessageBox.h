#pragma once

#include "platform/Failure.h"

#include <QString>

#include <functional>

class QWidget;

namespace vimo {

enum class MessageIcon
{
    None,
    Stop,        // critical
    Exclamation, // warning
};

enum class MessageButtons
{
    Ok,
    YesNoCancel,
};

// The answers, numbered as the platform's message boxes number them.
enum MessageAnswer : int
{
    AnswerOk = 1,
    AnswerCancel = 2,
    AnswerYes = 6,
    AnswerNo = 7,
};

struct MessageRequest
{
    QString caption;
    QString text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    QString detail; // the cause of a failure, shown under the text; empty when there is none
};

// Every message box of the tool goes through here, captioned with the application title, so
// that tests can answer them without a box ever blocking.
class MessageBox
{
public:
    using Presenter = std::function<int(const MessageRequest&)>;

    // Shows `text` and returns the answer; a failure's cause, when given, is the box's detail.
    static int show(QWidget* parent, const QString& text, MessageIcon icon,
                    MessageButtons buttons = MessageButtons::Ok, const Failure& cause = {});
    // Shows string `stringId` of the string table.
    static int showString(QWidget* parent, int stringId, MessageIcon icon,
                          MessageButtons buttons = MessageButtons::Ok, const Failure& cause = {});
    // Replaces the real box (tests); an empty presenter brings the real box back.
    static void setPresenter(Presenter presenter);
};

} // namespace vimo
