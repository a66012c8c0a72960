#include "AppTestSupport.h"

#include "platform/Text.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vimo::test {

int MessageScript::present(QWidget*, const MessageRequest& request)
{
    m_shown.push_back(request);
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (request.buttons == MessageButtons::YesNoCancel) {
        ++m_unanswered;
        return static_cast<int>(AnswerCancel);
    }
    return static_cast<int>(AnswerOk);
}

QStringList MessageScript::texts() const
{
    QStringList result;
    for (const MessageRequest& request : m_shown) {
        result << request.text;
    }
    return result;
}

void MessageScript::clear()
{
    m_shown.clear();
    m_answers.clear();
    m_unanswered = 0;
}

std::unique_ptr<CDevToolDlg> AppEnvironment::start()
{
    auto dialog = std::make_unique<CDevToolDlg>(platform, messages);
    if (!dialog->OnInitDialog()) {
        return dialog;
    }
    dialog->show();
    dialog->activateWindow();
    if (!QTest::qWaitForWindowActive(dialog.get())) {
        qWarning("the main window did not become active");
    }
    return dialog;
}

std::unique_ptr<CDevToolDlg> AppEnvironment::startOn(int entry)
{
    auto dialog = start();
    if (dialog->isVisible()) {
        choose(*dialog, entry);
    }
    return dialog;
}

const QString kImportEntry =
    QStringLiteral("Create an \"Under Development\" copy of a published vimo...");

void choose(CDevToolDlg& dialog, int index)
{
    auto* list = findControlAs<QComboBox>(&dialog, 1000);
    list->setCurrentIndex(index);
    emit list->activated(index);
}

QStringList listEntries(CDevToolDlg& dialog)
{
    auto* list = findControlAs<QComboBox>(&dialog, 1000);
    QStringList entries;
    for (int i = 0; i < list->count(); ++i) {
        entries << list->itemText(i);
    }
    return entries;
}

int currentEntry(CDevToolDlg& dialog)
{
    return findControlAs<QComboBox>(&dialog, 1000)->currentIndex();
}

QLineEdit* edit(CDevToolDlg& dialog, int id)
{
    return findControlAs<QLineEdit>(&dialog, id);
}

QPushButton* button(QWidget& dialog, int id)
{
    return findControlAs<QPushButton>(&dialog, id);
}

void click(QWidget& dialog, int id)
{
    QTest::mouseClick(button(dialog, id), Qt::LeftButton);
}

void typeInto(CDevToolDlg& dialog, int id, const QString& text)
{
    QLineEdit* field = edit(dialog, id);
    field->setFocus();
    field->selectAll();
    if (text.isEmpty()) {
        QTest::keyClick(field, Qt::Key_Delete);
    } else {
        QTest::keyClicks(field, text);
    }
}

void onNextModal(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

} // namespace vimo::test
