// The program: one QApplication, one CBrumbleApp, the event loop.
#include <QApplication>

#include "app/BrumbleApp.h"

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brumble"));
    QApplication::setApplicationVersion(QStringLiteral(BRUMBLE_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("brumble"));

    CBrumbleApp::Options options;
    options.arguments = QApplication::arguments().mid(1);
    CBrumbleApp app(options);
    if (!app.InitInstance())
        return 1;
    return QApplication::exec();
}
