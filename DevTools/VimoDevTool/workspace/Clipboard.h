#pragma once

#include <string>

namespace vimo {

// The system clipboard as the model needs it; the window passes the toolkit's, tests a fake.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    // Replaces the clipboard's content with `text`; false when the clipboard cannot be used.
    virtual bool setText(const std::u16string& text) = 0;
};

} // namespace vimo
