#include "app/CDevToolApp.h"
#include "platform/Platform.h"

int main(int argc, char** argv)
{
    vimo::CDevToolApp app(argc, argv);
    return app.InitInstance(vimo::Platform::system());
}
