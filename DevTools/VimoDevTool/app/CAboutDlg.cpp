#include "app/CAboutDlg.h"

#include "app/Controls.h"
#include "app/controls/CHyperLink.h"
#include "presenter/Resource.h"

#include "Version.h"

#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vimo {

CAboutDlg::CAboutDlg(const QString& contentServer, const Platform& platform, MessageBox& messages,
                     QWidget* parent)
    : QDialog(parent), m_contentServer(contentServer)
{
    setObjectName(QString::number(res::IDD_ABOUTBOX));
    setWindowTitle(QStringLiteral("About Orvo Open Vimoz - Developer Tool"));

    auto* icon = new QLabel(this);
    icon->setPixmap(QIcon(QStringLiteral(":/res/VimoDevTool.png")).pixmap(32, 32));
    auto* product = new QLabel(QStringLiteral("Orvo Open Vimoz - Developer Tool"), this);
    product->setTextFormat(Qt::PlainText);
    auto* version = new QLabel(QStringLiteral("Version: " VIMO_VERSION), this);
    m_devSiteLink =
        new CHyperLink(QStringLiteral("Orvo Vimoz Developer site"), this, &platform, &messages);
    setControlId(m_devSiteLink, res::IDC_DEV_SITE_LINK);
    m_termsLink = new CHyperLink(QStringLiteral("Terms of service"), this, &platform, &messages);
    setControlId(m_termsLink, res::IDC_TERMS_LINK);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    setControlId(close, res::IDOK);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    // The box opens on Close, so that Space closes it rather than opening a web page; the
    // links follow it in the tab order.
    setTabOrder(close, m_devSiteLink);
    setTabOrder(m_devSiteLink, m_termsLink);
    close->setFocus(Qt::OtherFocusReason);

    auto* grid = new QGridLayout(this);
    grid->setSizeConstraint(QLayout::SetFixedSize);
    grid->setHorizontalSpacing(14);
    grid->addWidget(icon, 0, 0, 3, 1, Qt::AlignTop);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    auto* links = new QVBoxLayout;
    links->addWidget(m_devSiteLink, 0, Qt::AlignLeft);
    links->addWidget(m_termsLink, 0, Qt::AlignLeft);
    grid->addLayout(links, 2, 1);
    grid->addWidget(close, 0, 2, Qt::AlignTop);
    grid->setColumnMinimumWidth(1, 220);
}

bool CAboutDlg::OnInitDialog()
{
    m_devSiteLink->setUrl(m_contentServer + QStringLiteral("/cf/orvo65/openvimoz_dev_site.html"));
    m_termsLink->setUrl(m_contentServer + QStringLiteral("/cf/orvo65/openvimoz_dev_legal.html"));
    return true;
}

int CAboutDlg::DoModal()
{
    OnInitDialog();
    return exec();
}

} // namespace vimo
