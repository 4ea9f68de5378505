// The program: one QApplication, one CBrumbleApp, the event loop.
#include <QApplication>

#include <cstdio>
#include <string>
#include <vector>

#include "app/BrumbleApp.h"
#include "res/InstallLayout.h"
#include "session/CommandLine.h"

int main(int argc, char** argv)
{
    // --help and --version are answered before the widgets start, which would otherwise need
    // a display just to print a few lines.
    const CProgramArguments parsed =
        ParseProgramArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (parsed.action != CProgramArguments::Action::Run) {
        std::string text =
            parsed.action == CProgramArguments::Action::ShowUsage ? UsageText() : VersionText();
        if (parsed.action == CProgramArguments::Action::ShowUsage) {
            // Where the help pages are read from: the program's folder needs a core
            // application (no display), the rest is the same lookup as Help > Contents.
            const QCoreApplication core(argc, argv);
            const QString folder =
                InstallLayout::HelpFolder(QCoreApplication::applicationDirPath());
            text += "\nHelp pages: " +
                    (folder.isEmpty() ? std::string("not found")
                                      : (folder + QStringLiteral("/index.html")).toStdString()) +
                    "\n";
        }
        std::fputs(text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

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
