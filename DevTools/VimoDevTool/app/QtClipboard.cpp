#include "app/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vimo {

bool QtClipboard::setText(const std::u16string& text, std::string& whyNot)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        whyNot = "the application has no clipboard";
        return false;
    }
    clipboard->setText(QString::fromStdU16String(text));
    return true;
}

std::unique_ptr<Clipboard> windowClipboard()
{
    if (std::unique_ptr<Clipboard> system = Clipboard::system()) {
        return system;
    }
    return std::make_unique<QtClipboard>();
}

} // namespace vimo
