#pragma once

#include "presenter/Message.h"
#include "presenter/VimoForm.h"

#include <optional>
#include <string>
#include <vector>

namespace vimo {

// One entry of the Vimo list: the text shown and the identifier it carries (empty for the two
// fixed entries).
struct ListEntry
{
    std::u16string text;
    std::u16string id;

    bool operator==(const ListEntry&) const = default;
};

// What the main window's presenter needs of a window, in no toolkit's terms. Controls are
// known by their numeric identifiers (presenter/Resource.h). Nothing here calls back into the
// presenter: a view reports the developer's actions to it, never its own changes.
class MainWindowView
{
public:
    virtual ~MainWindowView() = default;

    // Replaces the entries of the Vimo list.
    virtual void setListEntries(const std::vector<ListEntry>& entries) = 0;
    // Shows entry `index` as the list's selection.
    virtual void setListSelection(int index) = 0;

    // The form's fields as typed.
    virtual FormFields fields() const = 0;
    // Puts `fields` into the form.
    virtual void setFields(const FormFields& fields) = 0;
    // Shows the Vimo's source and icons folders.
    virtual void setFolders(const std::u16string& source, const std::u16string& icons) = 0;
    // Shows the path of the upload archive (empty: none).
    virtual void setArchivePath(const std::u16string& path) = 0;
    // Limits typing in the name and description fields (characters; 0 or less: no limit).
    virtual void setTextLimits(int name, int description) = 0;
    // The address the upload link opens.
    virtual void setUploadAddress(const std::u16string& address) = 0;

    virtual void enableControl(int control, bool enabled) = 0;
    virtual void setControlReadOnly(int control, bool readOnly) = 0;
    // Puts the keyboard focus on `control`, with an edit field's text selected.
    virtual void focusControl(int control) = 0;

    // Shows a message and returns the answer (MessageAnswer).
    virtual int showMessage(const Message& message) = 0;
    // Asks which published Vimo to copy; nothing when the developer cancels.
    virtual std::optional<std::u16string> chooseVimoToImport() = 0;
    // Shows that a long operation runs (the busy cursor), or that it ended.
    virtual void setBusy(bool busy) = 0;
    // Shows a start-up indicator with `text`, or removes it when `text` is empty.
    virtual void showStartupProgress(const std::u16string& text) = 0;
    // Ends the window, with the OK result when `accepted`.
    virtual void closeWindow(bool accepted) = 0;
};

} // namespace vimo
