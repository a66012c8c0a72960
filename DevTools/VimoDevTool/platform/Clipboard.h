#pragma once

#include <memory>
#include <string>

namespace vimo {

// The system clipboard as the model needs it; the window passes the system's or its toolkit's,
// tests a fake.
class Clipboard
{
public:
    virtual ~Clipboard() = default;

    // The system's own clipboard where the model can fill it without the window's toolkit (on
    // Windows); nothing elsewhere: an X11 selection is served by the toolkit's event loop.
    static std::unique_ptr<Clipboard> system();

    // Replaces the clipboard's content with `text`; false, with the cause in words in `whyNot`,
    // when the clipboard cannot be used.
    virtual bool setText(const std::u16string& text, std::string& whyNot) = 0;
};

} // namespace vimo
