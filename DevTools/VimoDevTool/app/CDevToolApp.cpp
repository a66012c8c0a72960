#include "app/CDevToolApp.h"

#include "app/CDevToolDlg.h"
#include "app/MessageBox.h"

#include <QEvent>
#include <QTimer>

namespace vimo {

namespace {

// Calls a function once, after the watched window's first paint.
class FirstPaintWatch : public QObject
{
public:
    explicit FirstPaintWatch(std::function<void()> onShown) : m_onShown(std::move(onShown)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (m_onShown && event->type() == QEvent::Paint) {
            QTimer::singleShot(0, watched, std::exchange(m_onShown, {}));
        }
        return false;
    }

private:
    std::function<void()> m_onShown;
};

} // namespace

CDevToolApp::CDevToolApp(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("vimo-devtool"));
    setDesktopFileName(QStringLiteral("vimo-devtool"));
}

int CDevToolApp::InitInstance(Platform& platform, MessageBox& messages,
                              std::function<void()> onShown)
{
    CDevToolDlg dialog(platform, messages);
    setWindowIcon(dialog.windowIcon());
    FirstPaintWatch watch(std::move(onShown));
    dialog.installEventFilter(&watch);
    dialog.DoModal();
    // A launcher or script must be able to tell a failed start from a closed window.
    return dialog.endedAtStartup() ? 1 : 0;
}

} // namespace vimo
