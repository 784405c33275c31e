// The organizer: splash window, log-in, then the main window.
#include <QApplication>
#include <QIcon>
#include <QStyleFactory>
#include <cstdlib>
#include <memory>

#include "platform/Platform.h"
#include "platform/QtSeams.h"
#include "platform/ReconnectNotice.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "shell/ShellWindows.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/vemora.svg")));
    QGuiApplication::setDesktopFileName(QStringLiteral("vemora"));

    vemora::MessageBoxPrompter prompter;
    vemora::QtFileDialogs files;
    vemora::QtShell shell;
    vemora::ReconnectNotice reconnecting;
    vemora::Session session(QCoreApplication::applicationDirPath(), prompter);
    session.database().setReconnect(std::chrono::seconds(15), &reconnecting);
    const std::unique_ptr<vemora::Registry> registry = vemora::makeSystemRegistry();
    vemora::QtMediaPlayerFactory media;
    vemora::QtTransferDialogs transfer;
    vemora::Platform platform{session, prompter, files, shell, registry.get(), &media, &transfer};

    vemora::ShellWindows windows(platform);
    if (!windows.start()) return EXIT_FAILURE;
    return QApplication::exec();
}
