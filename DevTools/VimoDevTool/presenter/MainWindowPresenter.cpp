#include "presenter/MainWindowPresenter.h"

#include "platform/Text.h"
#include "presenter/Resource.h"
#include "workspace/StringTable.h"
#include "workspace/VimoWorkspace.h"

#include <algorithm>

namespace vimo {

namespace {

const std::u16string kSelectEntry = u"Select an Vimo";
const std::u16string kImportEntry = u"Create an \"Under Development\" copy of a published vimo...";
const std::u16string kReadBackFailed = u"Please enter a positive integer.";
const std::u16string kCopyFailed = u"The \"Under Development\" copy was not made.";

// The controls that unlock with a shown Vimo, besides the four property fields.
constexpr int kPropertyControls[] = {
    res::IDC_WIDTH_SPIN,        res::IDC_HEIGHT_SPIN,
    res::IDC_INTERACTIVE,       res::IDC_OPEN_SECOND_CLIENT,
    res::IDC_MAIN_FILE_URL,     res::IDC_OPEN_SOURCE_FOLDER,
    res::IDC_OPEN_ICONS_FOLDER, res::IDC_LOCAL_VIMO,
    res::IDC_WEB_VIMO,          res::IDC_APPLY,
};
constexpr int kPropertyFields[] = {res::IDC_NAME, res::IDC_DESCRIPTION, res::IDC_WIDTH,
                                   res::IDC_HEIGHT};

int controlOf(FormField field)
{
    switch (field) {
    case FormField::Name:
        return res::IDC_NAME;
    case FormField::Width:
        return res::IDC_WIDTH;
    case FormField::Height:
        return res::IDC_HEIGHT;
    }
    return res::IDC_NAME;
}

} // namespace

// Shows the busy cursor for the length of one long operation.
class MainWindowPresenter::BusyScope
{
public:
    explicit BusyScope(MainWindowView& view) : m_view(view) { m_view.setBusy(true); }
    ~BusyScope() { m_view.setBusy(false); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    MainWindowView& m_view;
};

MainWindowPresenter::MainWindowPresenter(VimoWorkspace& workspace, MainWindowView& view,
                                         Clipboard& clipboard)
    : m_workspace(workspace), m_view(view), m_clipboard(clipboard)
{
}

// --- start-up and state

bool MainWindowPresenter::start()
{
    if (m_workspace.locateInstallation() < 0) {
        show(res::IDS_CLIENT_MISSING, MessageIcon::Exclamation, lastCause());
        return false;
    }
    bool loaded = false;
    {
        BusyScope busy(m_view);
        m_view.showStartupProgress(u"Loading the developer configuration from " +
                                   m_workspace.developerServer() + u"...");
        loaded = m_workspace.loadDeveloperConfiguration() >= 0 && m_workspace.loadAll() >= 0;
        m_view.showStartupProgress({});
    }
    if (!loaded) {
        show(res::IDS_INIT_FAILED, MessageIcon::Stop, lastCause());
        return false;
    }
    m_view.setTextLimits(m_workspace.nameLengthLimit(), m_workspace.descLengthLimit());
    m_view.setControlReadOnly(res::IDC_SOURCE_FOLDER, true);
    m_view.setControlReadOnly(res::IDC_ICONS_FOLDER, true);
    fillVimoList();
    setFormLocked(true);
    m_view.setUploadAddress(m_workspace.contentServer() + u"/cf/orvo65/openvimoz_upload.html");
    m_view.enableControl(res::IDC_OPEN_ARCHIVE_FOLDER, false);
    return true;
}

void MainWindowPresenter::fillVimoList()
{
    m_entries.clear();
    m_entries.push_back({kSelectEntry, {}});
    for (const auto& [id, info] : m_workspace.GetDevVimos()) {
        m_entries.push_back({info.name, id});
    }
    if (!m_workspace.GetPublishedVimos().empty()) {
        m_entries.push_back({kImportEntry, {}});
    }
    m_view.setListEntries(m_entries);
    selectShownInList();
}

void MainWindowPresenter::selectShownInList()
{
    const auto found = std::find_if(m_entries.begin(), m_entries.end(), [this](const ListEntry& e) {
        return m_editing && !e.id.empty() && e.id == m_shownId;
    });
    m_view.setListSelection(found == m_entries.end() ? 0
                                                     : static_cast<int>(found - m_entries.begin()));
}

// No Vimo is shown for editing any more; the form keeps its contents, locked.
void MainWindowPresenter::closeVimo()
{
    m_editing = false;
    m_shownId.clear();
    setFormLocked(true);
}

// Locked fields are drawn disabled as well as read-only, so that nobody tries to type there.
void MainWindowPresenter::setFormLocked(bool locked)
{
    for (const int field : kPropertyFields) {
        m_view.setControlReadOnly(field, locked);
        m_view.enableControl(field, !locked);
    }
    for (const int control : kPropertyControls) {
        m_view.enableControl(control, !locked);
    }
    m_view.enableControl(res::IDC_CREATE_ZIP, !locked);
    m_view.enableControl(res::IDC_SOURCE_FOLDER, !locked);
    m_view.enableControl(res::IDC_ICONS_FOLDER, !locked);
}

bool MainWindowPresenter::hasChanges() const
{
    VimoInfo stored;
    if (!m_editing || m_workspace.getVimo(m_shownId, stored) != S_OK) {
        return false;
    }
    return m_form.differsFrom(stored);
}

void MainWindowPresenter::showVimo(const std::u16string& id)
{
    VimoInfo info;
    if (id.empty() || m_workspace.getVimo(id, info) != S_OK) {
        return;
    }
    m_form = VimoForm::fromRecord(info);
    m_view.setFields(m_form.fields());
    m_view.setArchivePath({});
    m_view.setFolders(m_workspace.sourceFolder(id), m_workspace.iconsFolder(id));
    m_shownId = id;
    m_editing = true;
    selectShownInList();
    setFormLocked(false);
    m_view.setControlReadOnly(res::IDC_MAIN_FILE_URL, !info.isDhtml);
    m_view.enableControl(res::IDC_APPLY, false);
}

// The first entry shows an empty form; the kind and the interactive box keep their state.
void MainWindowPresenter::clearForm()
{
    m_form.name.clear();
    m_form.description.clear();
    m_form.mainFileUrl.clear();
    m_form.width = 500;
    m_form.height = 500;
    m_view.setFields(m_form.fields());
    m_view.setArchivePath({});
    m_view.setFolders({}, {});
    m_view.setListSelection(0);
}

// --- reading, validating, leaving and saving

// Reads the typed fields into the form; a field that holds no number is named once, here.
bool MainWindowPresenter::readForm()
{
    VimoForm::ReadBack read = VimoForm::read(m_view.fields());
    if (read.unreadable) {
        m_view.showMessage({kReadBackFailed, MessageIcon::Exclamation, MessageButtons::Ok, {}});
        m_view.focusControl(controlOf(*read.unreadable));
        return false;
    }
    m_form = std::move(read.form);
    return true;
}

bool MainWindowPresenter::validateForm()
{
    const auto problem = m_form.validate();
    if (!problem) {
        return true;
    }
    show(problem->messageId, MessageIcon::Stop);
    m_view.focusControl(controlOf(problem->field));
    return false;
}

// The save prompt: true when the form may leave the shown Vimo. A form that cannot be read
// or is not valid stays, with the focus on the field to correct.
bool MainWindowPresenter::confirmLeaveVimo()
{
    if (!m_editing) {
        return true;
    }
    if (!readForm()) {
        return false;
    }
    if (!hasChanges()) {
        m_editing = false;
        return true;
    }
    if (!validateForm()) {
        return false;
    }
    const int answer =
        show(res::IDS_SAVE_CHANGES, MessageIcon::None, {}, MessageButtons::YesNoCancel);
    if (answer == AnswerYes) {
        if (saveVimo(m_shownId) != SaveResult::Saved) {
            // The edits were not saved: stay on the Vimo so that they are not lost.
            return false;
        }
        m_editing = false;
        return true;
    }
    if (answer == AnswerNo) {
        m_editing = false;
        return true;
    }
    return false;
}

// Writes the form (already read and valid) into the record of `id`.
MainWindowPresenter::SaveResult MainWindowPresenter::saveVimo(const std::u16string& id)
{
    VimoInfo stored;
    if (id.empty() || m_workspace.getVimo(id, stored) != S_OK) {
        return SaveResult::NothingToSave;
    }
    const VimoInfo updated = m_form.toRecord(stored, m_workspace.localMainFileUrl());
    SaveResult result = SaveResult::Saved;
    if (m_workspace.writeVimo(id, updated) < 0) {
        show(res::IDS_SAVE_FAILED, MessageIcon::Stop, lastCause());
        result = SaveResult::Failed;
    } else {
        m_workspace.removeVimoListCache(id);
        m_workspace.NotifyReloadVimoList();
        if (updated.name != stored.name) {
            fillVimoList();
        }
    }
    return result;
}

MainWindowPresenter::SaveResult MainWindowPresenter::apply()
{
    if (!m_editing) {
        return SaveResult::NothingToSave;
    }
    if (!readForm() || !validateForm()) {
        return SaveResult::Refused;
    }
    const SaveResult result = saveVimo(m_shownId);
    if (result == SaveResult::Saved) {
        // The form shows what was stored (the name trimmed).
        m_view.setFields(m_form.fields());
        m_view.focusControl(res::IDC_CREATE_ZIP);
        m_view.enableControl(res::IDC_APPLY, false);
    }
    selectShownInList();
    return result;
}

// --- commands

void MainWindowPresenter::selectionChanged(int index)
{
    if (index < 0 || index >= static_cast<int>(m_entries.size())) {
        return;
    }
    const ListEntry chosen = m_entries[static_cast<std::size_t>(index)];
    // Choosing the Vimo that is already shown keeps its pending edits.
    if (m_editing && !chosen.id.empty() && chosen.id == m_shownId) {
        return;
    }
    if (!confirmLeaveVimo()) {
        selectShownInList();
        return;
    }
    closeVimo();
    // The fixed entries are known by their text, as the list shows them.
    if (equalsIgnoreAsciiCase(chosen.text, kSelectEntry)) {
        clearForm();
        return;
    }
    std::u16string id = chosen.id;
    if (equalsIgnoreAsciiCase(chosen.text, kImportEntry)) {
        m_view.setListSelection(0);
        id = runImport();
    }
    if (id.empty()) {
        m_view.setListSelection(0);
        return;
    }
    showVimo(id);
}

void MainWindowPresenter::updateApply()
{
    if (!m_editing) {
        return;
    }
    // Read quietly: a half-typed number is named when the form is applied or left.
    VimoForm::ReadBack read = VimoForm::read(m_view.fields());
    if (read.unreadable) {
        m_view.enableControl(res::IDC_APPLY, true);
        return;
    }
    m_form = std::move(read.form);
    m_view.enableControl(res::IDC_APPLY, hasChanges());
}

void MainWindowPresenter::fieldsEdited()
{
    updateApply();
}

void MainWindowPresenter::mainFileKindClicked()
{
    const bool web = m_view.fields().web;
    m_view.enableControl(res::IDC_MAIN_FILE_URL, web);
    m_view.setControlReadOnly(res::IDC_MAIN_FILE_URL, !web);
    updateApply();
}

void MainWindowPresenter::ok()
{
    const SaveResult result = apply();
    // A refused or failed save keeps the window open, so the edits are not lost.
    if (result == SaveResult::Refused || result == SaveResult::Failed) {
        return;
    }
    m_view.closeWindow(true);
}

void MainWindowPresenter::cancel()
{
    m_view.setListSelection(0);
    if (confirmLeaveVimo()) {
        m_view.closeWindow(false);
        return;
    }
    selectShownInList();
}

// Runs the import dialog and makes the copy; the new Vimo's identifier, or empty.
std::u16string MainWindowPresenter::runImport()
{
    const auto chosen = m_view.chooseVimoToImport();
    return chosen ? makeDevelopmentCopy(*chosen) : std::u16string();
}

// Copies the published Vimo `sourceId` and rebuilds the list; the copy's identifier, or empty.
std::u16string MainWindowPresenter::makeDevelopmentCopy(const std::u16string& sourceId)
{
    std::u16string newId;
    HRESULT result = S_OK;
    {
        BusyScope busy(m_view);
        result = m_workspace.createDevelopmentCopy(sourceId, newId);
    }
    if (result < 0) {
        m_view.showMessage({kCopyFailed, MessageIcon::Stop, MessageButtons::Ok, lastCause()});
    }
    fillVimoList();
    return newId;
}

void MainWindowPresenter::importCommand()
{
    const auto chosen = m_view.chooseVimoToImport();
    if (!chosen) {
        return;
    }
    // The copy is shown afterwards, so the Vimo shown now is left first, through the save
    // prompt; a cancelled prompt makes no copy.
    m_view.setListSelection(0);
    if (!confirmLeaveVimo()) {
        selectShownInList();
        return;
    }
    closeVimo();
    showVimo(makeDevelopmentCopy(*chosen));
}

void MainWindowPresenter::clearArchive()
{
    m_view.setArchivePath({});
    m_view.enableControl(res::IDC_OPEN_ARCHIVE_FOLDER, false);
}

void MainWindowPresenter::createArchive()
{
    if (!m_editing) {
        return;
    }
    std::u16string unsupported;
    HRESULT result = S_OK;
    {
        BusyScope busy(m_view);
        m_workspace.removeVimoListCache(m_shownId);
        result = m_workspace.buildUploadPackage(m_shownId, unsupported);
    }
    if (result == S_FALSE) {
        clearArchive();
        show(res::IDS_ARCHIVE_TOO_BIG, MessageIcon::Stop);
        return;
    }
    if (result < 0) {
        clearArchive();
        show(res::IDS_PACKAGE_FAILED, MessageIcon::Stop, lastCause());
        return;
    }
    if (!unsupported.empty()) {
        m_view.showMessage(
            {unsupportedFilesText(unsupported), MessageIcon::Exclamation, MessageButtons::Ok, {}});
    }
    m_view.setArchivePath(m_workspace.uploadArchivePath(m_shownId));
    m_view.enableControl(res::IDC_OPEN_ARCHIVE_FOLDER, true);
}

void MainWindowPresenter::openSourceFolder()
{
    if (m_editing) {
        BusyScope busy(m_view);
        m_workspace.openSourceFolder(m_shownId);
    }
}

void MainWindowPresenter::openIconsFolder()
{
    if (m_editing) {
        BusyScope busy(m_view);
        m_workspace.openIconsFolder(m_shownId);
    }
}

void MainWindowPresenter::openArchiveFolder()
{
    BusyScope busy(m_view);
    m_workspace.openServicesFolder();
}

void MainWindowPresenter::copyArchivePath()
{
    const std::u16string id = m_editing ? m_shownId : std::u16string();
    if (m_workspace.copyArchivePathToClipboard(id, &m_clipboard) < 0) {
        show(res::IDS_COPY_PATH_FAILED, MessageIcon::Stop, lastCause());
    }
}

void MainWindowPresenter::openSecondClient()
{
    HRESULT launched = S_OK;
    std::u16string cause;
    {
        BusyScope busy(m_view);
        if (!m_workspace.IsClientRunning()) {
            launched = m_workspace.LaunchClient();
            cause = lastCause();
        }
    }
    if (launched < 0) {
        show(res::IDS_LAUNCH_FAILED, MessageIcon::Stop, cause);
    }
    {
        BusyScope busy(m_view);
        launched = m_workspace.HasSecondClientWindow() ? S_OK : m_workspace.LaunchSecondClient();
        cause = lastCause();
    }
    if (launched < 0) {
        show(res::IDS_LAUNCH_SECOND_FAILED, MessageIcon::Stop, cause);
    }
}

// --- messages

int MainWindowPresenter::show(int stringId, MessageIcon icon, const std::u16string& detail,
                              MessageButtons buttons)
{
    return m_view.showMessage({stringText(stringId), icon, buttons, detail});
}

std::u16string MainWindowPresenter::lastCause() const
{
    const Failure& failure = m_workspace.lastError();
    return failure.empty() ? std::u16string() : fromUtf8(failure.describe());
}

} // namespace vimo
