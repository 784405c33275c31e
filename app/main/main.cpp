// The organizer: splash window, log-in, then the main window.
#include "platform/FileDialogs.h"
#include "platform/Platform.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/Shell.h"
#include "shell/ShellWindows.h"

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

#include <cstdlib>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vemora.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("vemora"));

    vemora::MessageBoxPrompter prompter;
    vemora::QtFileDialogs files;
    vemora::QtShell shell;
    vemora::Session session(QCoreApplication::applicationDirPath(), prompter);
    vemora::Platform platform{session, prompter, files, shell};

    vemora::ShellWindows windows(platform);
    if (!windows.start()) return EXIT_FAILURE;
    return QApplication::exec();
}
