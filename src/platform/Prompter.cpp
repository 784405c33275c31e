#include "platform/QtSeams.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace vemora {

Answer MessageBoxPrompter::show(const QString& text, const QString& title, int style) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(QString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    switch (style & 0x70) {
        case vbCritical:
            box.setIcon(QMessageBox::Critical);
            break;
        case vbQuestion:
            box.setIcon(QMessageBox::Question);
            break;
        case vbExclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case vbInformation:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            box.setIcon(QMessageBox::NoIcon);
            break;
    }
    if ((style & 0x0F) == vbYesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton((style & vbDefaultButton2) ? QMessageBox::No : QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes ? Answer::Yes : Answer::No;
    }
    if ((style & 0x0F) == vbRetryCancel) {
        box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
        box.setDefaultButton((style & vbDefaultButton2) ? QMessageBox::Cancel : QMessageBox::Retry);
        return box.exec() == QMessageBox::Retry ? Answer::Retry : Answer::Cancel;
    }
    if ((style & 0x0F) == vbRestoreDiscard) {
        QPushButton* restore = box.addButton(QStringLiteral("&Restore"), QMessageBox::AcceptRole);
        QPushButton* discard =
            box.addButton(QStringLiteral("&Discard"), QMessageBox::DestructiveRole);
        box.setDefaultButton(restore);
        box.exec();
        if (box.clickedButton() == restore) return Answer::Yes;
        return box.clickedButton() == discard ? Answer::No : Answer::Cancel;
    }
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
    return Answer::Ok;
}

}  // namespace vemora
