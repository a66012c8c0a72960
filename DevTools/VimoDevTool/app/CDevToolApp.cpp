#include "app/CDevToolApp.h"

#include "app/CDevToolDlg.h"

namespace vimo {

CDevToolApp::CDevToolApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("vimo-devtool"));
    setDesktopFileName(QStringLiteral("vimo-devtool"));
}

int CDevToolApp::InitInstance(Platform& platform)
{
    CDevToolDlg dialog(platform);
    setWindowIcon(dialog.windowIcon());
    dialog.DoModal();
    // The dialog's result is not used: closing the window ends the process either way.
    return 0;
}

} // namespace vimo
