#include "platform/QtSeams.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace vemora {

bool QtShell::openDocument(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtShell::startProgram(const QString& program, const QStringList& arguments) {
    return QProcess::startDetached(program, arguments);
}

}  // namespace vemora
