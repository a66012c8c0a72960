// Saves a picture of the main window with its first Vimo shown, for the README. Runs on the
// installation and servers that the environment names, like the tool itself.
#include "app/CDevToolDlg.h"
#include "app/Controls.h"
#include "app/MessageBox.h"
#include "platform/Platform.h"
#include "presenter/Resource.h"

#include <QApplication>
#include <QComboBox>
#include <QPixmap>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vimo-screenshot OUTPUT.png\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    vimo::CDevToolDlg dialog(vimo::Platform::system(), vimo::MessageBox::standard());
    if (!dialog.OnInitDialog()) {
        return 1;
    }
    dialog.show();
    int result = 1;
    QTimer::singleShot(300, &dialog, [&] {
        auto* list = vimo::findControlAs<QComboBox>(&dialog, vimo::res::IDC_VIMO_LIST);
        list->setCurrentIndex(1);
        emit list->activated(1);
        QTimer::singleShot(300, &dialog, [&] {
            result = dialog.grab().save(output) ? 0 : 1;
            app.quit();
        });
    });
    app.exec();
    return result;
}
