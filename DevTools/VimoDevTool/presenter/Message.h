#pragma once

#include <string>

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

// One message of the window: its text, icon and buttons, and the cause of a failure, shown
// apart from the text so that the text itself stays the tool's own words.
struct Message
{
    std::u16string text;
    MessageIcon icon = MessageIcon::None;
    MessageButtons buttons = MessageButtons::Ok;
    std::u16string detail;
};

} // namespace vimo
