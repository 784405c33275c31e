#include "platform/QtSeams.h"

#include "platform/ColumnsDialog.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>

namespace vemora {

namespace {

class QtProgressWindow final : public ProgressWindow {
public:
    QtProgressWindow(QWidget* parent, const QString& label)
        : m_dialog(label, QStringLiteral("Cancel"), 0, 100, parent) {
        m_dialog.setWindowTitle(label);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(500);
        m_dialog.setAutoClose(false);
        m_dialog.setAutoReset(false);
    }

    // Whole percents only: each step of a modal progress dialog runs the event loop.
    bool advance(qsizetype done, qsizetype total) override {
        const int percent = total > 0 ? int(done * 100 / total) : 100;
        if (percent != m_dialog.value()) m_dialog.setValue(percent);
        return !m_dialog.wasCanceled();
    }

private:
    QProgressDialog m_dialog;
};

QDateEdit* dateBox(const char* name, QDate date, QWidget* parent) {
    auto* box = new QDateEdit(date, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setCalendarPopup(true);
    return box;
}

}  // namespace

std::optional<DayRange> QtTransferDialogs::askRange(QWidget* parent, QDate first, QDate last) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmExportRange"));
    dialog.setWindowTitle(QStringLiteral("Export"));
    auto* from = dateBox("dtpFrom", first, &dialog);
    auto* to = dateBox("dtpTo", last, &dialog);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("Export the days from:"), from);
    form->addRow(QStringLiteral("to:"), to);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto check = [from, to, buttons] {
        buttons->button(QDialogButtonBox::Ok)->setEnabled(from->date() <= to->date());
    };
    QObject::connect(from, &QDateEdit::dateChanged, &dialog, check);
    QObject::connect(to, &QDateEdit::dateChanged, &dialog, check);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return DayRange{from->date(), to->date()};
}

std::optional<bool> QtTransferDialogs::askChosenOnly(QWidget* parent, const QString& chosen) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Export"),
                    QStringLiteral("Export only %1, or all of your contacts?").arg(chosen),
                    QMessageBox::Cancel, parent);
    QPushButton* only = box.addButton(QStringLiteral("&Only this contact"), QMessageBox::YesRole);
    QPushButton* all = box.addButton(QStringLiteral("&All contacts"), QMessageBox::NoRole);
    box.setDefaultButton(all);
    box.exec();
    if (box.clickedButton() == only) return true;
    if (box.clickedButton() == all) return false;
    return std::nullopt;
}

std::optional<QList<int>> QtTransferDialogs::askColumns(QWidget* parent,
                                                        const ColumnQuestion& question) {
    ColumnsDialog dialog(question, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.chosen();
}

std::optional<QByteArray> QtTransferDialogs::askCharset(
    QWidget* parent, const QList<QByteArray>& charsets,
    const std::function<QString(const QByteArray&)>& preview) {
    QDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("frmCharset"));
    dialog.setWindowTitle(QStringLiteral("Import"));
    dialog.resize(560, 360);
    auto* choice = new QComboBox(&dialog);
    choice->setObjectName(QStringLiteral("cmbCharset"));
    for (const QByteArray& charset : charsets) choice->addItem(QString::fromLatin1(charset));
    auto* text = new QPlainTextEdit(&dialog);
    text->setObjectName(QStringLiteral("txtPreview"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    auto* form = new QFormLayout(&dialog);
    form->addRow(QStringLiteral("The file is not UTF-8. Its character set:"), choice);
    form->addRow(text);
    form->addRow(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    const auto show = [&] { text->setPlainText(preview(charsets.value(choice->currentIndex()))); };
    QObject::connect(choice, &QComboBox::currentIndexChanged, &dialog, show);
    show();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return charsets.value(choice->currentIndex());
}

std::unique_ptr<ProgressWindow> QtTransferDialogs::progress(QWidget* parent, const QString& label) {
    return std::make_unique<QtProgressWindow>(parent, label);
}

void QtTransferDialogs::showSummary(QWidget* parent, const QString& text, const QString& title,
                                    const QStringList& details) {
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    if (!details.isEmpty()) box.setDetailedText(details.join(QLatin1Char('\n')));
    box.exec();
}

}  // namespace vemora
