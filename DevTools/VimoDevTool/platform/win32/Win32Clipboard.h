#pragma once

#include "platform/Clipboard.h"

namespace vimo {

// The Windows clipboard, filled with Unicode text as the system documents it: opened for a
// message-only window of its own (an ownerless clipboard refuses data), emptied, given a global
// memory block, closed again on every path.
class Win32Clipboard : public Clipboard
{
public:
    bool setText(const std::u16string& text, std::string& whyNot) override;
};

} // namespace vimo
