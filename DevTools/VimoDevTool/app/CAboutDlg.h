#pragma once

#include <QDialog>

namespace vimo {

class CHyperLink;
class MessageBox;
class Platform;

// The about box: the tool's name and version and two links to the vendor's developer pages.
class CAboutDlg : public QDialog
{
    Q_OBJECT

public:
    // `contentServer` is the base address of the vendor's content server.
    CAboutDlg(const QString& contentServer, const Platform& platform, MessageBox& messages,
              QWidget* parent = nullptr);

    // Sets the links' addresses.
    bool OnInitDialog();
    int DoModal();

private:
    QString m_contentServer;
    CHyperLink* m_devSiteLink;
    CHyperLink* m_termsLink;
};

} // namespace vimo
