#include "app/CDevToolApp.h"
#include "app/MessageBox.h"
#include "platform/Platform.h"
#include "platform/Process.h"

#include <cstdio>

int main(int argc, char** argv)
{
    vimo::keepRunningPastFileSizeLimit();
    vimo::CDevToolApp app(argc, argv);
    vimo::Platform& platform = vimo::Platform::system();
    std::function<void()> onShown;
    // For bench/startup-bench.sh: one line on standard error once the window is on the screen.
    if (platform.environment("VIMO_REPORT_SHOWN")) {
        onShown = [] { std::fputs("vimo-devtool: window shown\n", stderr); };
    }
    return vimo::CDevToolApp::InitInstance(platform, vimo::MessageBox::standard(),
                                           std::move(onShown));
}
