#include "app/CDevToolDlg.h"

#include "app/CAboutDlg.h"
#include "app/CImportVimoDlg.h"
#include "app/Controls.h"
#include "app/MessageBox.h"
#include "app/Resource.h"
#include "app/StringTable.h"
#include "app/controls/CHyperLink.h"
#include "app/controls/UpDownControl.h"
#include "platform/Platform.h"
#include "workspace/RecordValidator.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>
#include <limits>

// Resources of a static library are registered by name, outside any namespace.
static void initDialogResources()
{
    static bool done = false;
    if (!done) {
        Q_INIT_RESOURCE(VimoDevTool);
        done = true;
    }
}

namespace vimo {

namespace {

const QString kSelectEntry = QStringLiteral("Select an Vimo");
const QString kImportEntry =
    QStringLiteral("Create an \"Under Development\" copy of a published vimo...");

bool sameIgnoringCase(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString qs(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}
std::u16string us(const QString& text)
{
    return text.toStdU16String();
}

QLabel* buddyLabel(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The configured length limit of a text field; 0 for none.
constexpr const char* kTextLimit = "textLimit";

// The limit stops typing only: a stored text longer than the limit is shown whole (Qt would
// cut it), and a field whose text is shortened below the limit takes the limit again.
void fitTextLimit(QLineEdit* edit, const QString& text)
{
    const int limit = edit->property(kTextLimit).toInt();
    if (limit > 0) {
        edit->setMaxLength(std::max(limit, static_cast<int>(text.size())));
    }
}

// Gives the form exchange its quiet time: no change handler runs while it is set.
class ExchangeGuard
{
public:
    explicit ExchangeGuard(bool& flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~ExchangeGuard() { m_flag = m_previous; }
    ExchangeGuard(const ExchangeGuard&) = delete;
    ExchangeGuard& operator=(const ExchangeGuard&) = delete;

private:
    bool& m_flag;
    bool m_previous;
};

} // namespace

CDevToolDlg::CDevToolDlg(Platform& platform, QWidget* parent)
    : QDialog(parent), m_workspace(platform)
{
    initDialogResources();
    setObjectName(QString::number(res::IDD_VIMODEVTOOL_DIALOG));
    setWindowTitle(QStringLiteral("Orvo Open Vimoz - Developer Tool"));
    setWindowIcon(QIcon(QStringLiteral(":/res/VimoDevTool.png")));
    // A fixed-size dialog with a minimise box and no maximise box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    createControls();
}

void CDevToolDlg::createControls()
{
    // --- the list
    auto* listGroup = new QGroupBox(QStringLiteral("Select Vimo &to edit"), this);
    m_vimoList = new QComboBox(listGroup);
    setControlId(m_vimoList, res::IDC_VIMO_LIST);
    m_vimoList->setMaxVisibleItems(15);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addWidget(m_vimoList);

    // --- the properties
    auto* properties = new QGroupBox(QStringLiteral("Vimo's Properties"), this);
    m_nameEdit = new QLineEdit(properties);
    setControlId(m_nameEdit, res::IDC_NAME);
    m_descEdit = new QLineEdit(properties);
    setControlId(m_descEdit, res::IDC_DESCRIPTION);
    m_descEdit->setMinimumHeight(44);
    m_descEdit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_widthEdit = new QLineEdit(properties);
    setControlId(m_widthEdit, res::IDC_WIDTH);
    m_widthSpin = new UpDownControl(m_widthEdit, 1, RecordValidator::kMaxWidth, properties);
    setControlId(m_widthSpin, res::IDC_WIDTH_SPIN);
    m_heightEdit = new QLineEdit(properties);
    setControlId(m_heightEdit, res::IDC_HEIGHT);
    m_heightSpin = new UpDownControl(m_heightEdit, 1, RecordValidator::kMaxHeight, properties);
    setControlId(m_heightSpin, res::IDC_HEIGHT_SPIN);
    for (QLineEdit* edit : {m_widthEdit, m_heightEdit}) {
        edit->setFixedWidth(56);
    }

    auto* mainFile = new QGroupBox(properties);
    m_localRadio = new QRadioButton(QStringLiteral("&Local Vimo"), mainFile);
    setControlId(m_localRadio, res::IDC_LOCAL_VIMO);
    m_webRadio = new QRadioButton(QStringLiteral("W&eb Vimo:"), mainFile);
    setControlId(m_webRadio, res::IDC_WEB_VIMO);
    m_urlEdit = new QLineEdit(mainFile);
    setControlId(m_urlEdit, res::IDC_MAIN_FILE_URL);
    auto* urlHint = new QLabel(QStringLiteral("Enter the URL of the main file."), mainFile);
    urlHint->setEnabled(false);
    auto* mainFileLayout = new QGridLayout(mainFile);
    mainFileLayout->addWidget(m_localRadio, 0, 0, 1, 2);
    mainFileLayout->addWidget(m_webRadio, 1, 0);
    mainFileLayout->addWidget(m_urlEdit, 1, 1);
    mainFileLayout->addWidget(urlHint, 2, 1);

    m_interactiveCheck = new QCheckBox(QStringLiteral("&Interactive Vimo"), properties);
    setControlId(m_interactiveCheck, res::IDC_INTERACTIVE);
    m_secondClientButton = new QPushButton(QStringLiteral("Open 2n&d Orvo"), properties);
    setControlId(m_secondClientButton, res::IDC_OPEN_SECOND_CLIENT);
    m_applyButton = new QPushButton(QStringLiteral("&Apply"), properties);
    setControlId(m_applyButton, res::IDC_APPLY);

    auto* dimensions = new QHBoxLayout;
    dimensions->addWidget(new QLabel(QStringLiteral("Window dimensions:"), properties));
    dimensions->addSpacing(8);
    dimensions->addWidget(buddyLabel(QStringLiteral("&Width"), m_widthEdit, properties));
    dimensions->addWidget(m_widthEdit);
    dimensions->addWidget(m_widthSpin);
    dimensions->addWidget(new QLabel(QStringLiteral("px"), properties));
    dimensions->addSpacing(12);
    dimensions->addWidget(buddyLabel(QStringLiteral("&Height"), m_heightEdit, properties));
    dimensions->addWidget(m_heightEdit);
    dimensions->addWidget(m_heightSpin);
    dimensions->addWidget(new QLabel(QStringLiteral("px"), properties));
    dimensions->addStretch();

    auto* separator = new QFrame(properties);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* propertyButtons = new QHBoxLayout;
    propertyButtons->addStretch();
    propertyButtons->addWidget(m_secondClientButton);
    propertyButtons->addWidget(m_applyButton);

    auto* propertiesLayout = new QGridLayout(properties);
    propertiesLayout->addWidget(buddyLabel(QStringLiteral("&Name:"), m_nameEdit, properties), 0, 0);
    propertiesLayout->addWidget(m_nameEdit, 0, 1);
    propertiesLayout->addWidget(buddyLabel(QStringLiteral("Desc&ription:"), m_descEdit, properties),
                                1, 0, Qt::AlignTop);
    propertiesLayout->addWidget(m_descEdit, 1, 1);
    propertiesLayout->addLayout(dimensions, 2, 0, 1, 2);
    propertiesLayout->addWidget(mainFile, 3, 0, 1, 2);
    propertiesLayout->addWidget(m_interactiveCheck, 4, 0, 1, 2);
    propertiesLayout->addWidget(separator, 5, 0, 1, 2);
    propertiesLayout->addLayout(propertyButtons, 6, 0, 1, 2);

    // --- the development folders
    auto* folders = new QGroupBox(QStringLiteral("Access development folders"), this);
    m_sourceEdit = new QLineEdit(folders);
    setControlId(m_sourceEdit, res::IDC_SOURCE_FOLDER);
    m_openSourceButton = new QPushButton(QStringLiteral("&Open folder"), folders);
    setControlId(m_openSourceButton, res::IDC_OPEN_SOURCE_FOLDER);
    m_iconsEdit = new QLineEdit(folders);
    setControlId(m_iconsEdit, res::IDC_ICONS_FOLDER);
    m_openIconsButton = new QPushButton(QStringLiteral("O&pen folder"), folders);
    setControlId(m_openIconsButton, res::IDC_OPEN_ICONS_FOLDER);
    auto* foldersLayout = new QGridLayout(folders);
    foldersLayout->addWidget(buddyLabel(QStringLiteral("&Source files:"), m_sourceEdit, folders), 0,
                             0);
    foldersLayout->addWidget(m_sourceEdit, 0, 1);
    foldersLayout->addWidget(m_openSourceButton, 0, 2);
    foldersLayout->addWidget(buddyLabel(QStringLiteral("&Vimo's icons:"), m_iconsEdit, folders), 1,
                             0);
    foldersLayout->addWidget(m_iconsEdit, 1, 1);
    foldersLayout->addWidget(m_openIconsButton, 1, 2);

    // --- the upload archive
    auto* upload = new QGroupBox(QStringLiteral("Prepare Vimo for upload:"), this);
    m_createZipButton = new QPushButton(QStringLiteral("Create &ZIP file"), upload);
    setControlId(m_createZipButton, res::IDC_CREATE_ZIP);
    m_archiveEdit = new QLineEdit(upload);
    setControlId(m_archiveEdit, res::IDC_ARCHIVE_PATH);
    m_archiveEdit->setReadOnly(true);
    m_openArchiveButton = new QPushButton(QStringLiteral("Open &folder"), upload);
    setControlId(m_openArchiveButton, res::IDC_OPEN_ARCHIVE_FOLDER);
    auto* uploadLayout = new QHBoxLayout(upload);
    uploadLayout->addWidget(m_createZipButton);
    uploadLayout->addWidget(m_archiveEdit, 1);
    uploadLayout->addWidget(m_openArchiveButton);

    // --- closing row
    m_okButton = new QPushButton(QStringLiteral("OK"), this);
    setControlId(m_okButton, res::IDOK);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    setControlId(m_cancelButton, res::IDCANCEL);
    m_uploadLink =
        new CHyperLink(QStringLiteral("Go to Upload Vimo page"), this, &m_workspace.platform());
    setControlId(m_uploadLink, res::IDC_UPLOAD_LINK);
    // The hidden default button takes the Enter key, so Enter in a field runs no command.
    m_cancelDefaultButton = new QPushButton(QStringLiteral("___CANCEL_DEFAULT_BTN__"), this);
    setControlId(m_cancelDefaultButton, res::IDC_CANCEL_DEFAULT);
    m_cancelDefaultButton->setDefault(true);
    m_cancelDefaultButton->setEnabled(false);
    m_cancelDefaultButton->hide();
    auto* closing = new QHBoxLayout;
    closing->addWidget(m_uploadLink, 0, Qt::AlignLeft | Qt::AlignVCenter);
    closing->addStretch();
    closing->addWidget(m_okButton);
    closing->addWidget(m_cancelButton);

    // --- menus
    auto* menuBar = new QMenuBar(this);
    QMenu* vimoMenu = menuBar->addMenu(QStringLiteral("Vimo"));
    auto* importAction = new QAction(QStringLiteral("Create an Under Development copy..."), this);
    setControlId(importAction, res::ID_IMPORT_VIMO);
    importAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    vimoMenu->addAction(importAction);
    auto* copyPathAction = new QAction(QStringLiteral("Copy archive path"), this);
    setControlId(copyPathAction, res::ID_COPY_ARCHIVE_PATH);
    copyPathAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C));
    vimoMenu->addAction(copyPathAction);
    QMenu* helpMenu = menuBar->addMenu(QStringLiteral("Help"));
    auto* aboutAction = new QAction(QStringLiteral("About Developer Tool..."), this);
    setControlId(aboutAction, res::ID_HELP_ABOUT);
    helpMenu->addAction(aboutAction);
    addAction(importAction);
    addAction(copyPathAction);

    // The archive path's own menu offers the copy command beside the usual ones.
    m_archiveEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_archiveEdit, &QWidget::customContextMenuRequested, this,
            [this, copyPathAction](const QPoint& at) {
                QMenu* menu = m_archiveEdit->createStandardContextMenu();
                menu->insertAction(menu->actions().value(0), copyPathAction);
                menu->insertSeparator(menu->actions().value(1));
                menu->setAttribute(Qt::WA_DeleteOnClose);
                menu->popup(m_archiveEdit->mapToGlobal(at));
            });

    auto* page = new QVBoxLayout(this);
    page->setMenuBar(menuBar);
    page->setSizeConstraint(QLayout::SetFixedSize);
    listGroup->setMinimumWidth(600);
    page->addWidget(listGroup);
    page->addWidget(properties);
    page->addWidget(folders);
    page->addWidget(upload);
    page->addLayout(closing);

    // Tab order as the form lists its controls.
    const QList<QWidget*> order = {m_vimoList,           m_nameEdit,     m_descEdit,
                                   m_widthEdit,          m_heightEdit,   m_localRadio,
                                   m_webRadio,           m_urlEdit,      m_interactiveCheck,
                                   m_secondClientButton, m_applyButton,  m_sourceEdit,
                                   m_openSourceButton,   m_iconsEdit,    m_openIconsButton,
                                   m_createZipButton,    m_archiveEdit,  m_openArchiveButton,
                                   m_okButton,           m_cancelButton, m_uploadLink};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }

    // Commands.
    connect(m_vimoList, &QComboBox::activated, this, &CDevToolDlg::OnSelChangeVimoList);
    for (QLineEdit* edit : {m_nameEdit, m_descEdit, m_widthEdit, m_heightEdit, m_urlEdit}) {
        connect(edit, &QLineEdit::textChanged, this, &CDevToolDlg::OnEditChange);
    }
    for (QLineEdit* edit : {m_nameEdit, m_descEdit}) {
        connect(edit, &QLineEdit::textChanged, edit,
                [edit](const QString& text) { fitTextLimit(edit, text); });
    }
    connect(m_interactiveCheck, &QCheckBox::clicked, this, &CDevToolDlg::OnInteractiveClicked);
    connect(m_localRadio, &QRadioButton::clicked, this, &CDevToolDlg::OnMainFileKindClicked);
    connect(m_webRadio, &QRadioButton::clicked, this, &CDevToolDlg::OnMainFileKindClicked);
    connect(m_applyButton, &QPushButton::clicked, this, [this] { OnApply(); });
    connect(m_createZipButton, &QPushButton::clicked, this, &CDevToolDlg::OnCreateZip);
    connect(m_openSourceButton, &QPushButton::clicked, this, &CDevToolDlg::OnOpenSourceFolder);
    connect(m_openIconsButton, &QPushButton::clicked, this, &CDevToolDlg::OnOpenIconsFolder);
    connect(m_openArchiveButton, &QPushButton::clicked, this, &CDevToolDlg::OnOpenArchiveFolder);
    connect(m_secondClientButton, &QPushButton::clicked, this, &CDevToolDlg::OnOpenSecondClient);
    connect(m_okButton, &QPushButton::clicked, this, &CDevToolDlg::OnOK);
    connect(m_cancelButton, &QPushButton::clicked, this, &CDevToolDlg::OnCancel);
    connect(importAction, &QAction::triggered, this, &CDevToolDlg::OnImportCommand);
    connect(copyPathAction, &QAction::triggered, this, &CDevToolDlg::OnCopyArchivePath);
    connect(aboutAction, &QAction::triggered, this, &CDevToolDlg::OnAbout);

    UpdateData(false);
}

int CDevToolDlg::DoModal()
{
    m_reportShown = m_workspace.platform().environment("VIMO_REPORT_SHOWN").has_value();
    if (!OnInitDialog()) {
        return QDialog::Rejected;
    }
    return exec();
}

bool CDevToolDlg::OnInitDialog()
{
    UpdateData(false);
    // The desktop gives this window no system menu the tool could extend, so the about item
    // lives in the Help menu only.
    InitMainWindow();
    return !m_endedAtStartup;
}

void CDevToolDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (m_reportShown) {
        // For the start-up benchmark: the window is on the screen now.
        m_reportShown = false;
        QTimer::singleShot(0, this, [] { std::fputs("vimo-devtool: window shown\n", stderr); });
    }
}

QString CDevToolDlg::uploadUrl() const
{
    return qs(m_workspace.contentServer()) + QStringLiteral("/cf/orvo65/openvimoz_upload.html");
}

// --- form exchange

bool CDevToolDlg::readUnsigned(QLineEdit* edit, unsigned& value)
{
    QString text = edit->text();
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && (text[begin] == u' ' || text[begin] == u'\t')) {
        ++begin;
    }
    while (end > begin && (text[end - 1] == u' ' || text[end - 1] == u'\t')) {
        --end;
    }
    bool ok = begin < end;
    unsigned long long number = 0;
    for (qsizetype i = begin; ok && i < end; ++i) {
        const QChar c = text[i];
        if (c < u'0' || c > u'9') {
            ok = false;
            break;
        }
        number = number * 10 + static_cast<unsigned>(c.unicode() - u'0');
        if (number > std::numeric_limits<unsigned>::max()) {
            ok = false;
        }
    }
    if (!ok) {
        MessageBox::show(this, QStringLiteral("Please enter a positive integer."),
                         MessageIcon::Exclamation);
        edit->setFocus(Qt::OtherFocusReason);
        edit->selectAll();
        return false;
    }
    value = static_cast<unsigned>(number);
    return true;
}

bool CDevToolDlg::UpdateData(bool saveAndValidate)
{
    ExchangeGuard guard(m_exchanging);
    if (!saveAndValidate) {
        m_vimoList->setCurrentIndex(m_listIndex);
        // A stored text longer than the field's limit is shown whole; the limit only stops
        // typing, so a long name is never cut short by showing it.
        const std::pair<QLineEdit*, const QString*> texts[] = {{m_nameEdit, &m_name},
                                                               {m_descEdit, &m_description}};
        for (const auto& [edit, text] : texts) {
            fitTextLimit(edit, *text);
            edit->setText(*text);
        }
        m_widthEdit->setText(QString::number(m_width));
        m_heightEdit->setText(QString::number(m_height));
        m_interactiveCheck->setChecked(m_interactive != 0);
        m_urlEdit->setText(m_mainFileUrl);
        m_archiveEdit->setText(m_archivePath);
        m_sourceEdit->setText(m_sourceFolder);
        m_iconsEdit->setText(m_iconsFolder);
        m_localRadio->setChecked(m_mainFileKind == 0);
        m_webRadio->setChecked(m_mainFileKind == 1);
        return true;
    }
    m_listIndex = m_vimoList->currentIndex();
    m_name = m_nameEdit->text();
    m_description = m_descEdit->text();
    if (!readUnsigned(m_widthEdit, m_width) || !readUnsigned(m_heightEdit, m_height)) {
        return false;
    }
    m_interactive = m_interactiveCheck->isChecked() ? 1 : 0;
    m_mainFileUrl = m_urlEdit->text();
    m_archivePath = m_archiveEdit->text();
    m_sourceFolder = m_sourceEdit->text();
    m_iconsFolder = m_iconsEdit->text();
    m_mainFileKind = m_webRadio->isChecked() ? 1 : (m_localRadio->isChecked() ? 0 : -1);
    return true;
}

// --- start-up and state

void CDevToolDlg::InitMainWindow()
{
    if (m_workspace.locateInstallation() < 0) {
        MessageBox::showString(this, res::IDS_CLIENT_MISSING, MessageIcon::Exclamation);
        m_endedAtStartup = true;
        QDialog::done(QDialog::Rejected);
        return;
    }
    if (m_workspace.loadDeveloperConfiguration() < 0 || m_workspace.loadAll() < 0) {
        MessageBox::showString(this, res::IDS_INIT_FAILED, MessageIcon::Stop, MessageButtons::Ok,
                               m_workspace.lastError());
        m_endedAtStartup = true;
        QDialog::done(QDialog::Rejected);
        return;
    }
    m_nameEdit->setProperty(kTextLimit, m_workspace.nameLengthLimit());
    m_descEdit->setProperty(kTextLimit, m_workspace.descLengthLimit());
    for (QLineEdit* edit : {m_nameEdit, m_descEdit}) {
        fitTextLimit(edit, edit->text());
    }
    m_sourceEdit->setReadOnly(true);
    m_iconsEdit->setReadOnly(true);
    FillVimoList();
    LockForm();
    m_uploadLink->setUrl(uploadUrl());
    m_openArchiveButton->setEnabled(false);
}

void CDevToolDlg::FillVimoList()
{
    ExchangeGuard guard(m_exchanging);
    m_listRebuilt = true;
    m_vimoList->clear();
    m_vimoList->addItem(kSelectEntry);
    m_vimoList->setCurrentIndex(0);
    for (const auto& [id, info] : m_workspace.GetDevVimos()) {
        m_vimoList->addItem(qs(info.name), qs(id));
    }
    if (!m_workspace.GetPublishedVimos().empty()) {
        m_vimoList->addItem(kImportEntry);
    }
}

QString CDevToolDlg::GetVimoIdAt(int index) const
{
    return m_vimoList->itemData(index).toString();
}

int CDevToolDlg::indexOfId(const QString& id) const
{
    for (int i = 0; i < m_vimoList->count(); ++i) {
        if (GetVimoIdAt(i) == id) {
            return i;
        }
    }
    return -1;
}

void CDevToolDlg::SelectVimoById(const QString& id)
{
    // The exact identifier wins over one that differs only in letter case, so that the list
    // never lands on a different Vimo than the one the form holds.
    int found = id.isEmpty() ? -1 : indexOfId(id);
    for (int i = 0; found < 0 && i < m_vimoList->count(); ++i) {
        if (sameIgnoringCase(GetVimoIdAt(i), id)) {
            found = i;
        }
    }
    if (found < 0) {
        return;
    }
    m_listIndex = found;
    UpdateData(false);
}

void CDevToolDlg::SetPropertiesReadOnly(bool readOnly)
{
    for (QLineEdit* edit : {m_nameEdit, m_descEdit, m_widthEdit, m_heightEdit}) {
        edit->setReadOnly(readOnly);
    }
}

void CDevToolDlg::EnablePropertyControls(bool enable)
{
    const QList<QWidget*> controls = {m_widthSpin,          m_heightSpin, m_interactiveCheck,
                                      m_secondClientButton, m_urlEdit,    m_openSourceButton,
                                      m_openIconsButton,    m_localRadio, m_webRadio,
                                      m_applyButton};
    for (QWidget* control : controls) {
        control->setEnabled(enable);
    }
}

void CDevToolDlg::LockForm()
{
    SetPropertiesReadOnly(true);
    EnablePropertyControls(false);
    m_createZipButton->setEnabled(false);
}

void CDevToolDlg::UpdateControlsForSelection()
{
    UpdateData(true);
    if (sameIgnoringCase(m_vimoList->itemText(m_listIndex), kSelectEntry)) {
        return;
    }
    SetPropertiesReadOnly(false);
    EnablePropertyControls(true);
    m_createZipButton->setEnabled(true);
    m_applyButton->setEnabled(false);
    m_editing = true;
}

bool CDevToolDlg::HasChanges(int index)
{
    VimoInfo info;
    if (m_workspace.getVimo(us(GetVimoIdAt(index)), info) != S_OK) {
        return false;
    }
    const bool web = m_mainFileKind == 1;
    return !sameIgnoringCase(m_name, qs(info.name)) ||
           !sameIgnoringCase(m_description, qs(info.desc)) ||
           m_width != static_cast<unsigned>(info.width) ||
           m_height != static_cast<unsigned>(info.height) ||
           (m_interactive != 0) != info.requiresInvitation || web != info.isDhtml ||
           (web && !sameIgnoringCase(m_mainFileUrl, qs(info.url)));
}

// --- leaving a Vimo, validation and saving

bool CDevToolDlg::ConfirmLeaveVimo(int previousIndex)
{
    UpdateData(true);
    if (!m_editing) {
        return true;
    }
    if (!HasChanges(previousIndex)) {
        m_editing = false;
        return true;
    }
    if (!ValidateProperties()) {
        m_listIndex = previousIndex;
        UpdateData(false);
        return false;
    }
    if (m_listIndex == previousIndex) {
        return true;
    }
    const int answer = MessageBox::showString(this, res::IDS_SAVE_CHANGES, MessageIcon::None,
                                              MessageButtons::YesNoCancel);
    if (answer == AnswerYes) {
        const QString id = GetVimoIdAt(previousIndex);
        if (!id.isEmpty() && !SaveVimo(id)) {
            // The edits were not saved: stay on the Vimo so that they are not lost.
            const int index = indexOfId(id);
            m_listIndex = index >= 0 ? index : previousIndex;
            UpdateData(false);
            return false;
        }
        m_editing = false;
        return true;
    }
    if (answer == AnswerNo) {
        m_editing = false;
        return true;
    }
    m_listIndex = previousIndex;
    UpdateData(false);
    return false;
}

bool CDevToolDlg::ValidateProperties()
{
    if (!m_editing) {
        return true;
    }
    m_name = m_name.trimmed();
    QLineEdit* offending = nullptr;
    int message = 0;
    if (m_name.isEmpty()) {
        offending = m_nameEdit;
        message = res::IDS_NAME_EMPTY;
    } else if (m_width == 0 || m_width > RecordValidator::kMaxWidth) {
        offending = m_widthEdit;
        message = res::IDS_WIDTH_RANGE;
    } else if (m_height == 0 || m_height > RecordValidator::kMaxHeight) {
        offending = m_heightEdit;
        message = res::IDS_HEIGHT_RANGE;
    }
    if (!offending) {
        return true;
    }
    MessageBox::showString(this, message, MessageIcon::Stop);
    offending->setFocus(Qt::OtherFocusReason);
    offending->selectAll();
    return false;
}

bool CDevToolDlg::SaveVimo(const QString& id)
{
    return SaveVimoChecked(id) == SaveResult::Saved;
}

CDevToolDlg::SaveResult CDevToolDlg::SaveVimoChecked(const QString& id)
{
    UpdateData(true);
    if (!ValidateProperties()) {
        return SaveResult::Refused;
    }
    // Nothing is shown: the locked form is no record's content.
    if (!m_editing) {
        return SaveResult::NothingToSave;
    }
    VimoInfo stored;
    if (id.isEmpty() || m_workspace.getVimo(us(id), stored) != S_OK) {
        return SaveResult::NothingToSave;
    }
    VimoInfo updated = stored;
    updated.name = us(m_name);
    updated.desc = us(m_description);
    updated.width = static_cast<std::int32_t>(m_width == 0 ? 500 : m_width);
    updated.height = static_cast<std::int32_t>(m_height == 0 ? 500 : m_height);
    updated.requiresInvitation = m_interactive != 0;
    updated.isDhtml = m_mainFileKind == 1;
    updated.isDev = true;
    updated.url = updated.isDhtml ? us(m_mainFileUrl) : m_workspace.localMainFileUrl();

    SaveResult result = SaveResult::Saved;
    if (m_workspace.writeVimo(us(id), updated) < 0) {
        MessageBox::showString(this, res::IDS_SAVE_FAILED, MessageIcon::Stop, MessageButtons::Ok,
                               m_workspace.lastError());
        result = SaveResult::Failed;
    } else {
        m_workspace.removeVimoListCache(us(id));
        m_workspace.NotifyReloadVimoList();
    }
    if (!sameIgnoringCase(qs(updated.name), qs(stored.name))) {
        FillVimoList();
    }
    return result;
}

// --- commands

void CDevToolDlg::OnSelChangeVimoList(int chosen)
{
    if (m_exchanging) {
        return;
    }
    const QString chosenId = GetVimoIdAt(chosen);
    const QString chosenText = m_vimoList->itemText(chosen);
    // Choosing the Vimo that is already shown keeps its pending edits.
    if (m_editing && chosen == m_listIndex && !chosenId.isEmpty()) {
        return;
    }
    m_listRebuilt = false;
    if (!ConfirmLeaveVimo(m_listIndex)) {
        return;
    }
    if (m_listRebuilt) {
        // Saving rebuilt the list: go on with the entry that was chosen, not the first one.
        int index = chosenId.isEmpty() ? -1 : indexOfId(chosenId);
        for (int i = 0; index < 0 && i < m_vimoList->count(); ++i) {
            if (GetVimoIdAt(i).isEmpty() && m_vimoList->itemText(i) == chosenText) {
                index = i;
            }
        }
        ExchangeGuard guard(m_exchanging);
        m_vimoList->setCurrentIndex(std::max(index, 0));
    }
    LockForm();
    UpdateData(true);
    ShowSelectedEntry();
}

void CDevToolDlg::ClearForm()
{
    m_name.clear();
    m_description.clear();
    m_mainFileUrl.clear();
    m_archivePath.clear();
    m_sourceFolder.clear();
    m_iconsFolder.clear();
    m_width = 500;
    m_height = 500;
    UpdateData(false);
}

void CDevToolDlg::ShowSelectedEntry()
{
    const QString text = m_vimoList->itemText(m_listIndex);
    if (sameIgnoringCase(text, kSelectEntry)) {
        ClearForm();
        return;
    }
    if (sameIgnoringCase(text, kImportEntry)) {
        {
            ExchangeGuard guard(m_exchanging);
            m_vimoList->setCurrentIndex(0);
        }
        RunImport();
    }
    const QString id = GetVimoIdAt(m_listIndex);
    if (id.isEmpty()) {
        return;
    }
    VimoInfo info;
    if (m_workspace.getVimo(us(id), info) != S_OK) {
        return;
    }
    m_name = qs(info.name);
    m_description = qs(info.desc);
    m_width = static_cast<unsigned>(info.width);
    m_height = static_cast<unsigned>(info.height);
    m_mainFileUrl = info.isDhtml ? qs(info.url) : QStringLiteral("http://");
    m_interactive = info.requiresInvitation ? 1 : 0;
    m_mainFileKind = info.isDhtml ? 1 : 0;
    m_archivePath.clear();
    m_sourceFolder = qs(m_workspace.sourceFolder(us(id)));
    m_iconsFolder = qs(m_workspace.iconsFolder(us(id)));
    UpdateData(false);
    m_urlEdit->setReadOnly(!info.isDhtml);
    UpdateControlsForSelection();
}

void CDevToolDlg::setApplyFromChanges()
{
    m_applyButton->setEnabled(HasChanges(m_vimoList->currentIndex()));
}

void CDevToolDlg::OnEditChange()
{
    if (m_exchanging) {
        return;
    }
    UpdateData(true);
    setApplyFromChanges();
}

void CDevToolDlg::OnInteractiveClicked()
{
    if (m_exchanging) {
        return;
    }
    UpdateData(true);
    setApplyFromChanges();
}

void CDevToolDlg::OnMainFileKindClicked()
{
    if (m_exchanging) {
        return;
    }
    UpdateData(true);
    const bool web = m_mainFileKind == 1;
    m_urlEdit->setEnabled(web);
    m_urlEdit->setReadOnly(!web);
    setApplyFromChanges();
}

CDevToolDlg::SaveResult CDevToolDlg::OnApply()
{
    UpdateData(true);
    const QString id = GetVimoIdAt(m_listIndex);
    const SaveResult result = SaveVimoChecked(id);
    if (result == SaveResult::Saved) {
        m_createZipButton->setFocus(Qt::OtherFocusReason);
        m_applyButton->setEnabled(false);
        SelectVimoById(id);
    } else if (result == SaveResult::Failed) {
        // A failed save may still have rebuilt the list; keep it on the Vimo whose edits the
        // form still holds, so that a second try saves them to the right record.
        SelectVimoById(id);
    }
    return result;
}

void CDevToolDlg::RunImport()
{
    CImportVimoDlg dialog(m_workspace, this);
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    std::u16string newId;
    m_workspace.createDevelopmentCopy(us(dialog.selectedId()), newId);
    FillVimoList();
    SelectVimoById(qs(newId));
}

void CDevToolDlg::OnImportCommand()
{
    UpdateData(true);
    const int previousIndex = m_listIndex;
    CImportVimoDlg dialog(m_workspace, this);
    if (dialog.DoModal() != QDialog::Accepted) {
        return;
    }
    // The copy is shown in the form afterwards, so the Vimo shown now is left first, through
    // the save prompt; a cancelled prompt makes no copy.
    m_listIndex = 0;
    UpdateData(false);
    if (!ConfirmLeaveVimo(previousIndex)) {
        return;
    }
    LockForm();
    std::u16string newId;
    m_workspace.createDevelopmentCopy(us(dialog.selectedId()), newId);
    FillVimoList();
    m_listIndex = 0;
    SelectVimoById(qs(newId));
    ShowSelectedEntry();
}

void CDevToolDlg::OnCreateZip()
{
    UpdateData(true);
    const std::u16string id = us(GetVimoIdAt(m_listIndex));
    m_workspace.removeVimoListCache(id);
    std::u16string unsupported;
    const HRESULT result = m_workspace.buildUploadPackage(id, unsupported);
    if (result == S_FALSE) {
        MessageBox::showString(this, res::IDS_ARCHIVE_TOO_BIG, MessageIcon::Stop);
        return;
    }
    if (result < 0) {
        MessageBox::showString(this, res::IDS_PACKAGE_FAILED, MessageIcon::Stop, MessageButtons::Ok,
                               m_workspace.lastError());
        return;
    }
    if (!unsupported.empty()) {
        QString text = loadString(res::IDS_UNSUPPORTED_FILES);
        text.replace(QStringLiteral("%s"), qs(unsupported));
        MessageBox::show(this, text, MessageIcon::Exclamation);
    }
    m_archivePath = qs(m_workspace.uploadArchivePath(id));
    m_openArchiveButton->setEnabled(true);
    UpdateData(false);
}

void CDevToolDlg::OnOpenSourceFolder()
{
    UpdateData(true);
    const QString id = GetVimoIdAt(m_listIndex);
    if (!id.isEmpty()) {
        m_workspace.openSourceFolder(us(id));
    }
}

void CDevToolDlg::OnOpenIconsFolder()
{
    UpdateData(true);
    const QString id = GetVimoIdAt(m_listIndex);
    if (!id.isEmpty()) {
        m_workspace.openIconsFolder(us(id));
    }
}

void CDevToolDlg::OnOpenArchiveFolder()
{
    m_workspace.openServicesFolder();
}

void CDevToolDlg::OnCopyArchivePath()
{
    UpdateData(true);
    const std::u16string id = us(GetVimoIdAt(m_listIndex));
    if (m_workspace.copyArchivePathToClipboard(id, &m_clipboard) < 0) {
        MessageBox::showString(this, res::IDS_COPY_PATH_FAILED, MessageIcon::Stop,
                               MessageButtons::Ok, m_workspace.lastError());
    }
}

void CDevToolDlg::OnOpenSecondClient()
{
    if (!m_workspace.IsClientRunning() && m_workspace.LaunchClient() < 0) {
        MessageBox::showString(this, res::IDS_LAUNCH_FAILED, MessageIcon::Stop, MessageButtons::Ok,
                               m_workspace.lastError());
    }
    if (!m_workspace.HasSecondClientWindow() && m_workspace.LaunchSecondClient() < 0) {
        MessageBox::showString(this, res::IDS_LAUNCH_SECOND_FAILED, MessageIcon::Stop,
                               MessageButtons::Ok, m_workspace.lastError());
    }
}

void CDevToolDlg::OnAbout()
{
    CAboutDlg about(qs(m_workspace.contentServer()), m_workspace.platform(), this);
    about.DoModal();
}

void CDevToolDlg::OnOK()
{
    const SaveResult result = OnApply();
    // A refused or failed save keeps the window open, so the edits are not lost.
    if (result == SaveResult::Refused || result == SaveResult::Failed) {
        return;
    }
    if (UpdateData(true)) {
        QDialog::done(QDialog::Accepted);
    }
}

void CDevToolDlg::OnCancel()
{
    UpdateData(true);
    const int previousIndex = m_listIndex;
    m_listIndex = 0;
    UpdateData(false);
    if (ConfirmLeaveVimo(previousIndex)) {
        QDialog::done(QDialog::Rejected);
    }
}

} // namespace vimo
