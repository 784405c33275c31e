#include "platform/QtSeams.h"

#include <QFileDialog>

namespace vemora {

QString toQtFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts.at(i + 1);
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out.append(parts.at(i) + QStringLiteral(" (") + patterns + QLatin1Char(')'));
    }
    return out.join(QStringLiteral(";;"));
}

std::optional<QString> QtFileDialogs::openFile(QWidget* parent, const FileDialogRequest& request) {
    const QString name =
        QFileDialog::getOpenFileName(parent, request.title, request.fileName, toQtFilter(request.filter));
    if (name.isEmpty()) return std::nullopt;
    return name;
}

std::optional<QString> QtFileDialogs::saveFile(QWidget* parent, const FileDialogRequest& request) {
    const QString name =
        QFileDialog::getSaveFileName(parent, request.title, request.fileName, toQtFilter(request.filter));
    if (name.isEmpty()) return std::nullopt;
    return name;
}

}  // namespace vemora
