#pragma once

#include "platform/Clipboard.h"

namespace vimo {

// The desktop's clipboard through Qt.
class QtClipboard : public Clipboard
{
public:
    bool setText(const std::u16string& text, std::string& whyNot) override;
};

// The clipboard the window fills: the system's own where the model has one, else Qt's.
std::unique_ptr<Clipboard> windowClipboard();

} // namespace vimo
