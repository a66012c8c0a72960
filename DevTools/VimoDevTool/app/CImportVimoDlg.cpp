#include "app/CImportVimoDlg.h"

#include "app/Controls.h"
#include "presenter/Resource.h"
#include "workspace/VimoWorkspace.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace vimo {

namespace {

// The platform's sorted list box orders its entries without regard to letter case.
class NameItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    bool operator<(const QListWidgetItem& other) const override
    {
        const int order = text().compare(other.text(), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : text() < other.text();
    }
};

// The list of published Vimos. Until a Vimo is chosen, the entry the list calls current is not
// chosen, and the keys that move the choice would skip it; they start from the first entry.
class PublishedList : public QListWidget
{
public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            if (selectedItems().isEmpty()) {
                selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
            }
            break;
        default:
            break;
        }
        QListWidget::keyPressEvent(event);
    }
};

} // namespace

CImportVimoDlg::CImportVimoDlg(VimoWorkspace& workspace, QWidget* parent)
    : QDialog(parent), m_workspace(workspace)
{
    setObjectName(QString::number(res::IDD_IMPORT_VIMO));
    setWindowTitle(QStringLiteral("Import Vimo"));
    // Caption only: no close box, so Cancel and Escape are the ways out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    m_import = new QPushButton(QStringLiteral("Import"), this);
    setControlId(m_import, res::IDOK);
    m_import->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    setControlId(cancel, res::IDCANCEL);
    auto* instruction = new QLabel(QStringLiteral("Select an Vimo for import.\nThe selected Vimo "
                                                  "will be marked as \"Under Dev Vimo\"."),
                                   this);
    m_list = new PublishedList(this);
    setControlId(m_list, res::IDC_PUBLISHED_LIST);
    m_list->setSortingEnabled(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_import);
    buttons->addWidget(cancel);
    buttons->addStretch();
    auto* left = new QVBoxLayout;
    left->addWidget(instruction);
    left->addWidget(m_list);
    auto* row = new QHBoxLayout(this);
    row->addLayout(left, 1);
    row->addLayout(buttons);
    instruction->setWordWrap(true);
    setFixedSize(480, 220);

    setTabOrder(m_import, cancel);
    setTabOrder(cancel, m_list);

    connect(m_import, &QPushButton::clicked, this, &CImportVimoDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemSelectionChanged, this, &CImportVimoDlg::OnSelChange);
}

bool CImportVimoDlg::OnInitDialog()
{
    m_import->setEnabled(false);
    // With Import disabled the first control that takes the focus would be Cancel, and Enter
    // would then cancel; in the list Enter does nothing until a Vimo is chosen, and the arrow
    // keys choose one.
    m_list->setFocus(Qt::OtherFocusReason);
    m_list->clear();
    for (const auto& [id, info] : m_workspace.GetPublishedVimos()) {
        auto* item = new NameItem(QString::fromStdU16String(info.name));
        item->setData(Qt::UserRole, QString::fromStdU16String(id));
        m_list->addItem(item);
    }
    return true;
}

int CImportVimoDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

void CImportVimoDlg::OnSelChange()
{
    if (m_list->currentRow() != -1 && !m_list->selectedItems().isEmpty()) {
        m_import->setEnabled(true);
    }
}

void CImportVimoDlg::accept()
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    if (selected.isEmpty()) {
        return;
    }
    m_selectedId = selected.front()->data(Qt::UserRole).toString();
    QDialog::accept();
}

} // namespace vimo
