#pragma once

#include "app/CDevToolDlg.h"
#include "app/Controls.h"
#include "app/MessageBox.h"
#include "support/RecordingPlatform.h"

#include <QList>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vimo::test {

// Answers every message box from a queue and remembers what was shown. A box that finds no
// queued answer gets OK (or Cancel when it asks Yes/No/Cancel) and is counted as unexpected.
class MessageScript : public MessageBox
{
public:
    MessageScript() = default;
    MessageScript(const MessageScript&) = delete;
    MessageScript& operator=(const MessageScript&) = delete;

    void answer(int answer) { m_answers.push_back(answer); }
    const QList<MessageRequest>& shown() const { return m_shown; }
    QStringList texts() const;
    int unanswered() const { return m_unanswered; }
    void clear();

protected:
    int present(QWidget* parent, const MessageRequest& request) override;

private:
    std::deque<int> m_answers;
    QList<MessageRequest> m_shown;
    int m_unanswered = 0;
};

// An installation, the configuration server and a platform pointing at both, and the message
// boxes the window shows.
struct AppEnvironment : ServedInstallation
{
    // Starts the main window (start-up sequence run, window shown and active).
    std::unique_ptr<CDevToolDlg> start();
    // Starts the main window and chooses list entry `entry` in it.
    std::unique_ptr<CDevToolDlg> startOn(int entry);

    MessageScript messages;
};

// The list's last entry when there are published Vimos to copy.
extern const QString kImportEntry;

// Chooses list entry `index` as a person would.
void choose(CDevToolDlg& dialog, int index);
// The entries of the Vimo list as shown.
QStringList listEntries(CDevToolDlg& dialog);
// The index of the list's current entry.
int currentEntry(CDevToolDlg& dialog);
QLineEdit* edit(CDevToolDlg& dialog, int id);
QPushButton* button(QWidget& dialog, int id);
// Clicks push button `id` with the mouse.
void click(QWidget& dialog, int id);
// Replaces the text of an edit field as typing would (change notifications run).
void typeInto(CDevToolDlg& dialog, int id, const QString& text);
// Runs `action` on the next modal dialog once it is open (polling from the event loop).
void onNextModal(std::function<void(QWidget*)> action);

} // namespace vimo::test
