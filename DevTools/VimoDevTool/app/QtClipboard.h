#pragma once

#include "workspace/Clipboard.h"

namespace vimo {

// The desktop's clipboard through Qt.
class QtClipboard : public Clipboard
{
public:
    bool setText(const std::u16string& text) override;
};

} // namespace vimo
