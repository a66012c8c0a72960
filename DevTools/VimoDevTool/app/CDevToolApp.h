#pragma once

#include <QApplication>

namespace vimo {

class Platform;

// The application: runs the main window once and ends when it closes.
class CDevToolApp : public QApplication
{
    Q_OBJECT

public:
    CDevToolApp(int& argc, char** argv);

    // Runs the main window modally on `platform`; the process ends afterwards.
    int InitInstance(Platform& platform);
};

} // namespace vimo
