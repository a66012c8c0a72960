#pragma once

#include "app/QtClipboard.h"
#include "presenter/MainWindowPresenter.h"
#include "presenter/MainWindowView.h"
#include "workspace/VimoWorkspace.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vimo {

class CHyperLink;
class MessageBox;
class Platform;

// The main window: builds and lays out the list of the developer's Vimos and the form of the
// one chosen, and hands what the developer does to the presenter, which decides everything.
class CDevToolDlg : public QDialog, private MainWindowView
{
    Q_OBJECT

public:
    CDevToolDlg(Platform& platform, MessageBox& messages, QWidget* parent = nullptr);
    ~CDevToolDlg() override;

    // Runs the start-up sequence, then the window; returns the dialog's result.
    int DoModal();
    // The start-up sequence; false when it closed the window.
    bool OnInitDialog();
    // True once the window was closed from within the start-up sequence.
    bool endedAtStartup() const { return m_endedAtStartup; }

    void accept() override;
    void reject() override;

    VimoWorkspace& workspace() { return m_workspace; }
    MainWindowPresenter& presenter() { return m_presenter; }

private:
    void createControls();
    void connectCommands();
    void OnAbout();
    QWidget* control(int id) const;

    // MainWindowView
    void setListEntries(const std::vector<ListEntry>& entries) override;
    void setListSelection(int index) override;
    FormFields fields() const override;
    void setFields(const FormFields& fields) override;
    void setFolders(const std::u16string& source, const std::u16string& icons) override;
    void setArchivePath(const std::u16string& path) override;
    void setTextLimits(int name, int description) override;
    void setUploadAddress(const std::u16string& address) override;
    void enableControl(int control, bool enabled) override;
    void setControlReadOnly(int control, bool readOnly) override;
    void focusControl(int control) override;
    int showMessage(const Message& message) override;
    std::optional<std::u16string> chooseVimoToImport() override;
    void setBusy(bool busy) override;
    void showStartupProgress(const std::u16string& text) override;
    void closeWindow(bool accepted) override;

    VimoWorkspace m_workspace;
    std::unique_ptr<Clipboard> m_clipboard;
    MessageBox& m_messages;
    MainWindowPresenter m_presenter;

    bool m_pushing = false; // the view is changing its own controls: no change notifications
    bool m_endedAtStartup = false;
    int m_busyDepth = 0;
    QLabel* m_startupIndicator = nullptr;
    std::map<int, QWidget*> m_controls;

    QComboBox* m_vimoList = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_descEdit = nullptr;
    QLineEdit* m_widthEdit = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    QRadioButton* m_localRadio = nullptr;
    QRadioButton* m_webRadio = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QCheckBox* m_interactiveCheck = nullptr;
    QLineEdit* m_sourceEdit = nullptr;
    QLineEdit* m_iconsEdit = nullptr;
    QLineEdit* m_archiveEdit = nullptr;
    CHyperLink* m_uploadLink = nullptr;
};

} // namespace vimo
