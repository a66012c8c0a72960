#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace vimo {

class VimoWorkspace;

// Chooses the published Vimo of which an under-development copy is made.
class CImportVimoDlg : public QDialog
{
    Q_OBJECT

public:
    CImportVimoDlg(VimoWorkspace& workspace, QWidget* parent = nullptr);

    // Fills the list with the published Vimos, sorted by name; "Import" waits for a choice.
    bool OnInitDialog();
    int DoModal();
    // The identifier of the chosen Vimo; set when the dialog ended with OK.
    const QString& selectedId() const { return m_selectedId; }

    void accept() override; // OnOK

private:
    void OnSelChange();

    VimoWorkspace& m_workspace;
    QString m_selectedId;
    QListWidget* m_list;
    QPushButton* m_import;
};

} // namespace vimo
