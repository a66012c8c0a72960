#include "app/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

namespace vimo {

bool QtClipboard::setText(const std::u16string& text)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) {
        return false;
    }
    clipboard->setText(QString::fromStdU16String(text));
    return true;
}

} // namespace vimo
