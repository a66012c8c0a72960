#include "app/MessageBox.h"

#include "presenter/Resource.h"
#include "workspace/StringTable.h"

#include <QApplication>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace vimo {

MessageBox& MessageBox::standard()
{
    static MessageBox boxes;
    return boxes;
}

int MessageBox::show(QWidget* parent, const QString& text, MessageIcon icon, MessageButtons buttons,
                     const QString& detail)
{
    return present(parent, {QString::fromStdU16String(stringText(res::AFX_IDS_APP_TITLE)), text,
                            icon, buttons, detail});
}

int MessageBox::present(QWidget* parent, const MessageRequest& request)
{
    // A hidden parent (the window during start-up) would put the box in the screen's corner.
    QMessageBox box(parent && parent->isVisible() ? parent : nullptr);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    box.setDetailedText(request.detail);
    switch (request.icon) {
    case MessageIcon::Stop:
        box.setIcon(QMessageBox::Critical);
        break;
    case MessageIcon::Exclamation:
        box.setIcon(QMessageBox::Warning);
        break;
    case MessageIcon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    }
    if (request.buttons == MessageButtons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    // Wide enough for the whole caption beside the title bar's buttons; a message box sizes
    // itself by its text alone and would cut the caption short.
    const QFont titleFont = QApplication::font("QMdiSubWindowTitleBar");
    const int captionWidth = QFontMetrics(titleFont).horizontalAdvance(request.caption) +
                             box.fontMetrics().averageCharWidth() * 16;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(captionWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    switch (box.exec()) {
    case QMessageBox::Yes:
        return AnswerYes;
    case QMessageBox::No:
        return AnswerNo;
    case QMessageBox::Cancel:
        return AnswerCancel;
    default:
        return AnswerOk;
    }
}

} // namespace vimo
