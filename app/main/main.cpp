// The organizer: splash window, log-in, then the main window.
#include <QApplication>
#include <QIcon>
#include <QStyleFactory>
#include <cstdlib>
#include <memory>

#include "core/LockWatch.h"
#include "platform/ColourScheme.h"
#include "platform/Platform.h"
#include "platform/QtSeams.h"
#include "platform/ReconnectNotice.h"
#include "platform/Registry.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "shell/ShellWindows.h"
#include "spelling/Spelling.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // Until a user logs in, the desktop's scheme.
    vemora::applyColourScheme(vemora::ColourScheme::System);
    QApplication::setWindowIcon(vemora::programIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("vemora"));

    vemora::MessageBoxPrompter prompter;
    vemora::QtFileDialogs files;
    vemora::QtShell shell;
    vemora::ReconnectNotice reconnecting;
    vemora::AnswerNotice answering;
    vemora::setAnswerWaiter(&answering);
    vemora::Session session(QCoreApplication::applicationDirPath(), prompter);
    session.database().setReconnect(std::chrono::seconds(15), &reconnecting);
    vemora::LockWatch keepingLock(session.database());
    const std::unique_ptr<vemora::Registry> registry = vemora::makeSystemRegistry();
    vemora::QtMediaPlayerFactory media;
    vemora::QtTransferDialogs transfer;
    vemora::Platform platform{session, prompter, files, shell, registry.get(), &media, &transfer};
    vemora::Spelling spelling(session.database(), vemora::kSystemDictionaries.toString());
    platform.spelling = &spelling;

    vemora::ShellWindows windows(platform);
    if (!windows.start()) return EXIT_FAILURE;
    return QApplication::exec();
}
