#pragma once

#include <QApplication>

#include <functional>

namespace vimo {

class MessageBox;
class Platform;

// The application: runs the main window once and ends when it closes.
class CDevToolApp : public QApplication
{
    Q_OBJECT

public:
    CDevToolApp(int& argc, char** argv);

    // Runs the main window modally on `platform`, its boxes shown through `messages`; `onShown`
    // (if any) runs once the window is first drawn. Returns the process's exit status: 1 when
    // the start-up failed, else 0.
    static int InitInstance(Platform& platform, MessageBox& messages,
                            std::function<void()> onShown = {});
};

} // namespace vimo
