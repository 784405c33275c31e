// The maintenance tool: the administrator's log-in, then the save-and-compact window.
#include "platform/QtSeams.h"
#include "tools/frmLoginTools.h"
#include "tools/mod_Tools.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vemora_Tools"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The windows end the run themselves, also while a message box is still on screen.
    QApplication::setQuitOnLastWindowClosed(false);

    vemora::MessageBoxPrompter prompter;
    vemora::QtFileDialogs files;
    vemora::mod_Tools module(QCoreApplication::applicationDirPath(), prompter);
    vemora::ToolsPlatform platform{
        module, prompter, files,
        [&app] { QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection); }};
    (new vemora::frmLoginTools(platform))->load();
    return app.exec();
}
