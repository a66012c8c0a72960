#pragma once

#include <QApplication>

#include <functional>

namespace vimo {

class Platform;

// The application: runs the main window once and ends when it closes.
class CDevToolApp : public QApplication
{
    Q_OBJECT

public:
    CDevToolApp(int& argc, char** argv);

    // Runs the main window modally on `platform`; `onShown` (if any) runs once the window is
    // first drawn. Returns the process's exit status: 1 when the start-up failed, else 0.
    int InitInstance(Platform& platform, std::function<void()> onShown = {});
};

} // namespace vimo
