#include "app/MessageBox.h"

#include "app/Resource.h"
#include "app/StringTable.h"

#include <QMessageBox>

namespace vimo {

namespace {

MessageBox::Presenter& presenter()
{
    static MessageBox::Presenter instance;
    return instance;
}

int showReal(QWidget* parent, const MessageRequest& request)
{
    QMessageBox box(parent);
    box.setWindowTitle(request.caption);
    box.setText(request.text);
    if (!request.detail.isEmpty()) {
        box.setDetailedText(request.detail);
    }
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

} // namespace

int MessageBox::show(QWidget* parent, const QString& text, MessageIcon icon, MessageButtons buttons,
                     const Failure& cause)
{
    const QString detail = cause.empty() ? QString() : QString::fromStdString(cause.describe());
    const MessageRequest request{loadString(res::AFX_IDS_APP_TITLE), text, icon, buttons, detail};
    if (presenter()) {
        return presenter()(request);
    }
    return showReal(parent, request);
}

int MessageBox::showString(QWidget* parent, int stringId, MessageIcon icon, MessageButtons buttons,
                           const Failure& cause)
{
    return show(parent, loadString(stringId), icon, buttons, cause);
}

void MessageBox::setPresenter(Presenter replacement)
{
    presenter() = std::move(replacement);
}

} // namespace vimo
