#include "app/CDevToolDlg.h"

#include "app/CAboutDlg.h"
#include "app/CImportVimoDlg.h"
#include "app/Controls.h"
#include "app/MessageBox.h"
#include "app/controls/CHyperLink.h"
#include "app/controls/UpDownControl.h"
#include "presenter/Resource.h"
#include "workspace/RecordValidator.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
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
#include <QScreen>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QWindow>

#include <thread>

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

// The Vimo list takes the mouse wheel only when it has the focus: a wheel turned over it on
// the way down the window must not change the Vimo (or open the import dialog).
class VimoListBox : public QComboBox
{
public:
    using QComboBox::QComboBox;

protected:
    void wheelEvent(QWheelEvent* event) override
    {
        if (!hasFocus()) {
            event->ignore();
            return;
        }
        QComboBox::wheelEvent(event);
    }
};

// Marks the view's own changes to its controls, so that they report nothing to the presenter.
class PushGuard
{
public:
    explicit PushGuard(bool& flag) : m_flag(flag), m_previous(flag) { m_flag = true; }
    ~PushGuard() { m_flag = m_previous; }
    PushGuard(const PushGuard&) = delete;
    PushGuard& operator=(const PushGuard&) = delete;

private:
    bool& m_flag;
    bool m_previous;
};

} // namespace

CDevToolDlg::CDevToolDlg(Platform& platform, MessageBox& messages, QWidget* parent)
    : QDialog(parent), m_workspace(platform), m_clipboard(windowClipboard()), m_messages(messages),
      m_presenter(m_workspace, *this, *m_clipboard)
{
    initDialogResources();
    setObjectName(QString::number(res::IDD_VIMODEVTOOL_DIALOG));
    setWindowTitle(QStringLiteral("Orvo Open Vimoz - Developer Tool"));
    setWindowIcon(QIcon(QStringLiteral(":/res/VimoDevTool.png")));
    // A dialog with a minimise box and no maximise box; its border resizes it.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    createControls();
    connectCommands();
}

CDevToolDlg::~CDevToolDlg()
{
    while (m_busyDepth > 0) {
        setBusy(false);
    }
    delete m_startupIndicator;
}

void CDevToolDlg::createControls()
{
    const auto add = [this](QWidget* widget, int id) {
        setControlId(widget, id);
        m_controls[id] = widget;
    };

    // --- the list
    auto* listGroup = new QGroupBox(QStringLiteral("Select Vimo &to edit"), this);
    m_vimoList = new VimoListBox(listGroup);
    add(m_vimoList, res::IDC_VIMO_LIST);
    m_vimoList->setFocusPolicy(Qt::StrongFocus);
    m_vimoList->setMaxVisibleItems(15);
    m_vimoList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_vimoList->setMinimumContentsLength(30);
    auto* listLayout = new QVBoxLayout(listGroup);
    listLayout->addWidget(m_vimoList);

    // --- the properties
    auto* properties = new QGroupBox(QStringLiteral("Vimo's Properties"), this);
    m_nameEdit = new QLineEdit(properties);
    add(m_nameEdit, res::IDC_NAME);
    m_descEdit = new QLineEdit(properties);
    add(m_descEdit, res::IDC_DESCRIPTION);
    m_descEdit->setMinimumHeight(40);
    m_descEdit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_widthEdit = new QLineEdit(properties);
    add(m_widthEdit, res::IDC_WIDTH);
    auto* widthSpin = new UpDownControl(m_widthEdit, 1, RecordValidator::kMaxWidth, properties);
    add(widthSpin, res::IDC_WIDTH_SPIN);
    m_heightEdit = new QLineEdit(properties);
    add(m_heightEdit, res::IDC_HEIGHT);
    auto* heightSpin = new UpDownControl(m_heightEdit, 1, RecordValidator::kMaxHeight, properties);
    add(heightSpin, res::IDC_HEIGHT_SPIN);
    for (QLineEdit* edit : {m_widthEdit, m_heightEdit}) {
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("00000000")));
    }

    auto* mainFile = new QGroupBox(properties);
    m_localRadio = new QRadioButton(QStringLiteral("&Local Vimo"), mainFile);
    add(m_localRadio, res::IDC_LOCAL_VIMO);
    m_webRadio = new QRadioButton(QStringLiteral("W&eb Vimo:"), mainFile);
    add(m_webRadio, res::IDC_WEB_VIMO);
    m_urlEdit = new QLineEdit(mainFile);
    add(m_urlEdit, res::IDC_MAIN_FILE_URL);
    auto* urlHint = new QLabel(QStringLiteral("Enter the URL of the main file."), mainFile);
    urlHint->setEnabled(false);
    auto* mainFileLayout = new QGridLayout(mainFile);
    mainFileLayout->addWidget(m_localRadio, 0, 0, 1, 2);
    mainFileLayout->addWidget(m_webRadio, 1, 0);
    mainFileLayout->addWidget(m_urlEdit, 1, 1);
    mainFileLayout->addWidget(urlHint, 2, 1);

    m_interactiveCheck = new QCheckBox(QStringLiteral("&Interactive Vimo"), properties);
    add(m_interactiveCheck, res::IDC_INTERACTIVE);
    auto* secondClientButton = new QPushButton(QStringLiteral("Open 2n&d Orvo"), properties);
    add(secondClientButton, res::IDC_OPEN_SECOND_CLIENT);
    auto* applyButton = new QPushButton(QStringLiteral("&Apply"), properties);
    add(applyButton, res::IDC_APPLY);

    auto* dimensions = new QHBoxLayout;
    dimensions->addWidget(new QLabel(QStringLiteral("Window dimensions:"), properties));
    dimensions->addSpacing(8);
    dimensions->addWidget(buddyLabel(QStringLiteral("&Width"), m_widthEdit, properties));
    dimensions->addWidget(m_widthEdit);
    dimensions->addWidget(widthSpin);
    dimensions->addWidget(new QLabel(QStringLiteral("px"), properties));
    dimensions->addSpacing(12);
    dimensions->addWidget(buddyLabel(QStringLiteral("&Height"), m_heightEdit, properties));
    dimensions->addWidget(m_heightEdit);
    dimensions->addWidget(heightSpin);
    dimensions->addWidget(new QLabel(QStringLiteral("px"), properties));
    dimensions->addStretch();

    auto* separator = new QFrame(properties);
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);
    auto* propertyButtons = new QHBoxLayout;
    propertyButtons->addWidget(m_interactiveCheck);
    propertyButtons->addStretch();
    propertyButtons->addWidget(secondClientButton);
    propertyButtons->addWidget(applyButton);

    auto* propertiesLayout = new QGridLayout(properties);
    propertiesLayout->addWidget(buddyLabel(QStringLiteral("&Name:"), m_nameEdit, properties), 0, 0);
    propertiesLayout->addWidget(m_nameEdit, 0, 1);
    propertiesLayout->addWidget(buddyLabel(QStringLiteral("Desc&ription:"), m_descEdit, properties),
                                1, 0, Qt::AlignTop);
    propertiesLayout->addWidget(m_descEdit, 1, 1);
    propertiesLayout->addLayout(dimensions, 2, 0, 1, 2);
    propertiesLayout->addWidget(mainFile, 3, 0, 1, 2);
    propertiesLayout->addWidget(separator, 4, 0, 1, 2);
    propertiesLayout->addLayout(propertyButtons, 5, 0, 1, 2);
    propertiesLayout->setRowStretch(6, 1);

    // --- the development folders
    auto* folders = new QGroupBox(QStringLiteral("Access development folders"), this);
    m_sourceEdit = new QLineEdit(folders);
    add(m_sourceEdit, res::IDC_SOURCE_FOLDER);
    auto* openSourceButton = new QPushButton(QStringLiteral("&Open folder"), folders);
    add(openSourceButton, res::IDC_OPEN_SOURCE_FOLDER);
    m_iconsEdit = new QLineEdit(folders);
    add(m_iconsEdit, res::IDC_ICONS_FOLDER);
    auto* openIconsButton = new QPushButton(QStringLiteral("O&pen folder"), folders);
    add(openIconsButton, res::IDC_OPEN_ICONS_FOLDER);
    auto* foldersLayout = new QGridLayout(folders);
    foldersLayout->addWidget(buddyLabel(QStringLiteral("&Source files:"), m_sourceEdit, folders), 0,
                             0, 1, 2);
    foldersLayout->addWidget(m_sourceEdit, 1, 0);
    foldersLayout->addWidget(openSourceButton, 1, 1);
    foldersLayout->addWidget(buddyLabel(QStringLiteral("&Vimo's icons:"), m_iconsEdit, folders), 2,
                             0, 1, 2);
    foldersLayout->addWidget(m_iconsEdit, 3, 0);
    foldersLayout->addWidget(openIconsButton, 3, 1);

    // --- the upload archive
    auto* upload = new QGroupBox(QStringLiteral("Prepare Vimo for upload:"), this);
    auto* createZipButton = new QPushButton(QStringLiteral("Create &ZIP file"), upload);
    add(createZipButton, res::IDC_CREATE_ZIP);
    m_archiveEdit = new QLineEdit(upload);
    add(m_archiveEdit, res::IDC_ARCHIVE_PATH);
    m_archiveEdit->setReadOnly(true);
    auto* openArchiveButton = new QPushButton(QStringLiteral("Open &folder"), upload);
    add(openArchiveButton, res::IDC_OPEN_ARCHIVE_FOLDER);
    // Paths end in the part that tells Vimos apart; give them room for it.
    for (QLineEdit* path : {m_sourceEdit, m_iconsEdit, m_archiveEdit}) {
        path->setMinimumWidth(path->fontMetrics().averageCharWidth() * 26);
    }
    auto* uploadLayout = new QGridLayout(upload);
    uploadLayout->addWidget(createZipButton, 0, 0, Qt::AlignLeft);
    uploadLayout->addWidget(m_archiveEdit, 1, 0);
    uploadLayout->addWidget(openArchiveButton, 1, 1);

    // --- closing row
    auto* okButton = new QPushButton(QStringLiteral("OK"), this);
    add(okButton, res::IDOK);
    auto* cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    add(cancelButton, res::IDCANCEL);
    m_uploadLink = new CHyperLink(QStringLiteral("Go to Upload Vimo page"), this,
                                  &m_workspace.platform(), &m_messages);
    add(m_uploadLink, res::IDC_UPLOAD_LINK);
    // The hidden default button takes the Enter key, so Enter in a field runs no command.
    auto* cancelDefaultButton = new QPushButton(QStringLiteral("___CANCEL_DEFAULT_BTN__"), this);
    add(cancelDefaultButton, res::IDC_CANCEL_DEFAULT);
    cancelDefaultButton->setDefault(true);
    cancelDefaultButton->setEnabled(false);
    cancelDefaultButton->hide();
    auto* closing = new QHBoxLayout;
    closing->addWidget(m_uploadLink, 0, Qt::AlignLeft | Qt::AlignVCenter);
    closing->addStretch();
    closing->addWidget(okButton);
    closing->addWidget(cancelButton);

    // --- menus: their mnemonics clash with none of the form's
    auto* menuBar = new QMenuBar(this);
    QMenu* vimoMenu = menuBar->addMenu(QStringLiteral("Vi&mo"));
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
    aboutAction->setShortcut(QKeySequence(Qt::Key_F1));
    helpMenu->addAction(aboutAction);
    addAction(importAction);
    addAction(copyPathAction);
    addAction(aboutAction);

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

    // Two columns, so that the window fits a small or strongly scaled screen; the layouts give
    // its smallest size, and it can be made larger.
    auto* right = new QVBoxLayout;
    right->addWidget(folders);
    right->addWidget(upload);
    right->addStretch();
    auto* columns = new QHBoxLayout;
    columns->addWidget(properties, 3);
    columns->addLayout(right, 2);
    auto* page = new QVBoxLayout(this);
    page->setMenuBar(menuBar);
    page->addWidget(listGroup);
    page->addLayout(columns, 1);
    page->addLayout(closing);

    // Tab order as the form lists its controls.
    const QList<QWidget*> order = {
        m_vimoList,      m_nameEdit,    m_descEdit,        m_widthEdit,        m_heightEdit,
        m_localRadio,    m_webRadio,    m_urlEdit,         m_interactiveCheck, secondClientButton,
        applyButton,     m_sourceEdit,  openSourceButton,  m_iconsEdit,        openIconsButton,
        createZipButton, m_archiveEdit, openArchiveButton, okButton,           cancelButton,
        m_uploadLink};
    for (qsizetype i = 1; i < order.size(); ++i) {
        setTabOrder(order[i - 1], order[i]);
    }
    setFields(VimoForm{}.fields());
}

void CDevToolDlg::connectCommands()
{
    connect(m_vimoList, &QComboBox::activated, this, [this](int index) {
        if (!m_pushing) {
            m_presenter.selectionChanged(index);
        }
    });
    for (QLineEdit* edit : {m_nameEdit, m_descEdit, m_widthEdit, m_heightEdit, m_urlEdit}) {
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!m_pushing) {
                m_presenter.fieldsEdited();
            }
        });
    }
    for (QLineEdit* edit : {m_nameEdit, m_descEdit}) {
        connect(edit, &QLineEdit::textChanged, edit,
                [edit](const QString& text) { fitTextLimit(edit, text); });
    }
    connect(m_interactiveCheck, &QCheckBox::clicked, this, [this] { m_presenter.fieldsEdited(); });
    for (QRadioButton* radio : {m_localRadio, m_webRadio}) {
        connect(radio, &QRadioButton::clicked, this, [this] { m_presenter.mainFileKindClicked(); });
    }
    const std::pair<int, void (MainWindowPresenter::*)()> buttons[] = {
        {res::IDC_CREATE_ZIP, &MainWindowPresenter::createArchive},
        {res::IDC_OPEN_SOURCE_FOLDER, &MainWindowPresenter::openSourceFolder},
        {res::IDC_OPEN_ICONS_FOLDER, &MainWindowPresenter::openIconsFolder},
        {res::IDC_OPEN_ARCHIVE_FOLDER, &MainWindowPresenter::openArchiveFolder},
        {res::IDC_OPEN_SECOND_CLIENT, &MainWindowPresenter::openSecondClient},
        {res::IDOK, &MainWindowPresenter::ok},
        {res::IDCANCEL, &MainWindowPresenter::cancel},
    };
    for (const auto& [id, command] : buttons) {
        connect(static_cast<QPushButton*>(control(id)), &QPushButton::clicked, this,
                [this, command = command] { (m_presenter.*command)(); });
    }
    connect(static_cast<QPushButton*>(control(res::IDC_APPLY)), &QPushButton::clicked, this,
            [this] { m_presenter.apply(); });
    connect(findCommand(this, res::ID_IMPORT_VIMO), &QAction::triggered, this,
            [this] { m_presenter.importCommand(); });
    connect(findCommand(this, res::ID_COPY_ARCHIVE_PATH), &QAction::triggered, this,
            [this] { m_presenter.copyArchivePath(); });
    connect(findCommand(this, res::ID_HELP_ABOUT), &QAction::triggered, this,
            &CDevToolDlg::OnAbout);
}

int CDevToolDlg::DoModal()
{
    if (!OnInitDialog()) {
        return QDialog::Rejected;
    }
    return exec();
}

bool CDevToolDlg::OnInitDialog()
{
    // The desktop gives this window no system menu the tool could extend, so the about item
    // lives in the Help menu only.
    if (!m_presenter.start()) {
        m_endedAtStartup = true;
        QDialog::done(QDialog::Rejected);
        return false;
    }
    return true;
}

void CDevToolDlg::accept()
{
    m_presenter.ok();
}

void CDevToolDlg::reject()
{
    m_presenter.cancel();
}

void CDevToolDlg::OnAbout()
{
    CAboutDlg about(qs(m_workspace.contentServer()), m_workspace.platform(), m_messages, this);
    about.DoModal();
}

QWidget* CDevToolDlg::control(int id) const
{
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

// --- the view

void CDevToolDlg::setListEntries(const std::vector<ListEntry>& entries)
{
    PushGuard guard(m_pushing);
    m_vimoList->clear();
    for (const ListEntry& entry : entries) {
        m_vimoList->addItem(qs(entry.text));
    }
}

void CDevToolDlg::setListSelection(int index)
{
    PushGuard guard(m_pushing);
    m_vimoList->setCurrentIndex(index);
}

FormFields CDevToolDlg::fields() const
{
    return {us(m_nameEdit->text()),   us(m_descEdit->text()),          us(m_widthEdit->text()),
            us(m_heightEdit->text()), m_interactiveCheck->isChecked(), m_webRadio->isChecked(),
            us(m_urlEdit->text())};
}

void CDevToolDlg::setFields(const FormFields& fields)
{
    PushGuard guard(m_pushing);
    const std::pair<QLineEdit*, const std::u16string*> texts[] = {{m_nameEdit, &fields.name},
                                                                  {m_descEdit, &fields.description},
                                                                  {m_widthEdit, &fields.width},
                                                                  {m_heightEdit, &fields.height},
                                                                  {m_urlEdit, &fields.mainFileUrl}};
    for (const auto& [edit, text] : texts) {
        // A stored text longer than the field's limit is shown whole.
        fitTextLimit(edit, qs(*text));
        edit->setText(qs(*text));
    }
    m_interactiveCheck->setChecked(fields.interactive);
    m_localRadio->setChecked(!fields.web);
    m_webRadio->setChecked(fields.web);
}

void CDevToolDlg::setFolders(const std::u16string& source, const std::u16string& icons)
{
    m_sourceEdit->setText(qs(source));
    m_iconsEdit->setText(qs(icons));
}

void CDevToolDlg::setArchivePath(const std::u16string& path)
{
    m_archiveEdit->setText(qs(path));
}

void CDevToolDlg::setTextLimits(int name, int description)
{
    m_nameEdit->setProperty(kTextLimit, name);
    m_descEdit->setProperty(kTextLimit, description);
    for (QLineEdit* edit : {m_nameEdit, m_descEdit}) {
        fitTextLimit(edit, edit->text());
    }
}

void CDevToolDlg::setUploadAddress(const std::u16string& address)
{
    m_uploadLink->setUrl(qs(address));
}

void CDevToolDlg::enableControl(int id, bool enabled)
{
    if (QWidget* widget = control(id)) {
        widget->setEnabled(enabled);
    }
}

void CDevToolDlg::setControlReadOnly(int id, bool readOnly)
{
    if (auto* edit = qobject_cast<QLineEdit*>(control(id))) {
        edit->setReadOnly(readOnly);
    }
}

void CDevToolDlg::focusControl(int id)
{
    QWidget* widget = control(id);
    if (!widget) {
        return;
    }
    widget->setFocus(Qt::OtherFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        edit->selectAll();
    }
}

int CDevToolDlg::showMessage(const Message& message)
{
    return m_messages.show(this, qs(message.text), message.icon, message.buttons,
                           qs(message.detail));
}

std::optional<std::u16string> CDevToolDlg::chooseVimoToImport()
{
    CImportVimoDlg dialog(m_workspace, this);
    if (dialog.DoModal() != QDialog::Accepted) {
        return std::nullopt;
    }
    return us(dialog.selectedId());
}

void CDevToolDlg::setBusy(bool busy)
{
    if (busy && m_busyDepth++ == 0) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (!busy && m_busyDepth > 0 && --m_busyDepth == 0) {
        QApplication::restoreOverrideCursor();
    }
}

// A small window of its own, centred on the screen: the main window is not shown before the
// configuration and the catalogue are read, and the download may take a while.
void CDevToolDlg::showStartupProgress(const std::u16string& text)
{
    if (text.empty()) {
        delete m_startupIndicator;
        m_startupIndicator = nullptr;
        return;
    }
    if (!m_startupIndicator) {
        m_startupIndicator = new QLabel;
        m_startupIndicator->setWindowTitle(windowTitle());
        m_startupIndicator->setWindowIcon(windowIcon());
        m_startupIndicator->setMargin(m_startupIndicator->fontMetrics().height());
        m_startupIndicator->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint |
                                           Qt::WindowTitleHint);
    }
    m_startupIndicator->setText(qs(text));
    m_startupIndicator->adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = m_startupIndicator->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_startupIndicator->move(frame.topLeft());
    }
    m_startupIndicator->show();
    // The work that follows holds the event loop: let the indicator be drawn first.
    QElapsedTimer waited;
    waited.start();
    QWindow* window = m_startupIndicator->windowHandle();
    while (window && !window->isExposed() && waited.elapsed() < 200) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_startupIndicator->repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CDevToolDlg::closeWindow(bool accepted)
{
    QDialog::done(accepted ? QDialog::Accepted : QDialog::Rejected);
}

} // namespace vimo
