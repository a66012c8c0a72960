#pragma once

#include "app/QtClipboard.h"
#include "workspace/VimoWorkspace.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace vimo {

class CHyperLink;
class Platform;
class UpDownControl;

// The main window: the list of the developer's Vimos and a form with the catalogue properties
// of the one chosen, with the commands that apply, copy, pack and open them.
class CDevToolDlg : public QDialog
{
    Q_OBJECT

public:
    // How a save ended; the OK command tells a refused or failed save apart from no save.
    enum class SaveResult
    {
        Saved,
        NothingToSave, // no Vimo shown, or its record is gone
        Refused,       // the form did not validate
        Failed,        // the catalogue file could not be written
    };

    explicit CDevToolDlg(Platform& platform, QWidget* parent = nullptr);

    // Runs the start-up sequence, then the window; returns the dialog's result.
    int DoModal();
    // The start-up sequence; false when it closed the window.
    bool OnInitDialog();
    // True once the window was closed from within the start-up sequence.
    bool endedAtStartup() const { return m_endedAtStartup; }

    // Exchanges the form state with the controls; reading back stops at a field that holds no
    // unsigned number (after saying so) and answers false.
    bool UpdateData(bool saveAndValidate = true);

    void InitMainWindow();
    void FillVimoList();
    QString GetVimoIdAt(int index) const;
    void SelectVimoById(const QString& id);
    void SetPropertiesReadOnly(bool readOnly);
    void EnablePropertyControls(bool enable);
    void UpdateControlsForSelection();
    bool HasChanges(int index);

    bool ConfirmLeaveVimo(int previousIndex);
    bool ValidateProperties();
    bool SaveVimo(const QString& id);

    // Commands.
    void OnSelChangeVimoList(int chosen);
    void OnEditChange();
    void OnInteractiveClicked();
    void OnMainFileKindClicked();
    SaveResult OnApply();
    void RunImport();
    void OnImportCommand();
    void OnCreateZip();
    void OnOpenSourceFolder();
    void OnOpenIconsFolder();
    void OnOpenArchiveFolder();
    void OnCopyArchivePath();
    void OnOpenSecondClient();
    void OnAbout();
    void OnOK();
    void OnCancel();

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

    VimoWorkspace& workspace() { return m_workspace; }
    bool isEditing() const { return m_editing; }
    int listIndex() const { return m_listIndex; }
    QString uploadUrl() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    void LockForm();
    void ShowSelectedEntry();
    void ClearForm();
    int indexOfId(const QString& id) const;
    bool readUnsigned(QLineEdit* edit, unsigned& value);
    SaveResult SaveVimoChecked(const QString& id);
    void setApplyFromChanges();

    VimoWorkspace m_workspace;
    QtClipboard m_clipboard;

    // Form state.
    bool m_editing = false;
    int m_listIndex = 0;
    QString m_name;
    QString m_description;
    unsigned m_width = 500;
    unsigned m_height = 500;
    int m_interactive = 0;
    int m_mainFileKind = 0; // 0 local, 1 web
    QString m_mainFileUrl;
    QString m_archivePath;
    QString m_sourceFolder;
    QString m_iconsFolder;

    bool m_exchanging = false; // no change notifications while the form is exchanged
    bool m_listRebuilt = false;
    bool m_endedAtStartup = false;
    bool m_reportShown = false;

    QComboBox* m_vimoList = nullptr;
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_descEdit = nullptr;
    QLineEdit* m_widthEdit = nullptr;
    UpDownControl* m_widthSpin = nullptr;
    QLineEdit* m_heightEdit = nullptr;
    UpDownControl* m_heightSpin = nullptr;
    QRadioButton* m_localRadio = nullptr;
    QRadioButton* m_webRadio = nullptr;
    QLineEdit* m_urlEdit = nullptr;
    QCheckBox* m_interactiveCheck = nullptr;
    QPushButton* m_secondClientButton = nullptr;
    QPushButton* m_applyButton = nullptr;
    QLineEdit* m_sourceEdit = nullptr;
    QPushButton* m_openSourceButton = nullptr;
    QLineEdit* m_iconsEdit = nullptr;
    QPushButton* m_openIconsButton = nullptr;
    QPushButton* m_createZipButton = nullptr;
    QLineEdit* m_archiveEdit = nullptr;
    QPushButton* m_openArchiveButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    CHyperLink* m_uploadLink = nullptr;
    QPushButton* m_cancelDefaultButton = nullptr;
};

} // namespace vimo
