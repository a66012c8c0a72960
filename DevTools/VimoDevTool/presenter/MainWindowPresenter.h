#pragma once

#include "presenter/MainWindowView.h"
#include "presenter/VimoForm.h"

#include <string>
#include <vector>

namespace vimo {

class Clipboard;
class VimoWorkspace;

// The main window's state and commands: which Vimo the form shows (by identifier), whether it
// is open for editing, the save prompt, validation and saving, and every command of the window,
// run against the workspace and shown through a view.
class MainWindowPresenter
{
public:
    // How Apply ended; OK tells a refused or failed save apart from no save.
    enum class SaveResult
    {
        Saved,
        NothingToSave, // no Vimo shown, or its record is gone
        Refused,       // the form could not be read back or did not validate
        Failed,        // the catalogue file could not be written
    };

    MainWindowPresenter(VimoWorkspace& workspace, MainWindowView& view, Clipboard& clipboard);

    // The start-up sequence; false when it failed (the failure was shown).
    bool start();

    // The developer's actions.
    void selectionChanged(int entry);
    void fieldsEdited(); // a text field, the interactive box
    void mainFileKindClicked();
    SaveResult apply();
    void ok();
    void cancel();
    void importCommand();
    void createArchive();
    void openSourceFolder();
    void openIconsFolder();
    void openArchiveFolder();
    void copyArchivePath();
    void openSecondClient();

    bool isEditing() const { return m_editing; }
    // The identifier of the Vimo the form shows for editing; empty when none.
    const std::u16string& shownId() const { return m_shownId; }
    // Whether the form differs from the stored record of the shown Vimo.
    bool hasChanges() const;

private:
    class BusyScope;

    void fillVimoList();
    void selectShownInList();
    void closeVimo();
    void setFormLocked(bool locked);
    void showVimo(const std::u16string& id);
    void clearForm();
    bool readForm();
    bool validateForm();
    bool confirmLeaveVimo();
    SaveResult saveVimo(const std::u16string& id);
    std::u16string runImport();
    std::u16string makeDevelopmentCopy(const std::u16string& sourceId);
    void updateApply();
    void clearArchive();
    int show(int stringId, MessageIcon icon, const std::u16string& detail = {},
             MessageButtons buttons = MessageButtons::Ok);
    std::u16string lastCause() const;

    VimoWorkspace& m_workspace;
    MainWindowView& m_view;
    Clipboard& m_clipboard;

    std::vector<ListEntry> m_entries;
    bool m_editing = false;
    std::u16string m_shownId;
    VimoForm m_form;
};

} // namespace vimo
