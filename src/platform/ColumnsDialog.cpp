#include "platform/ColumnsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vemora {

namespace {

QTableWidget* table(const char* name, const QStringList& headers, int rows, QWidget* parent) {
    auto* widget = new QTableWidget(rows, int(headers.size()), parent);
    widget->setObjectName(QString::fromLatin1(name));
    widget->setHorizontalHeaderLabels(headers);
    widget->setEditTriggers(QAbstractItemView::NoEditTriggers);
    widget->verticalHeader()->hide();
    widget->horizontalHeader()->setStretchLastSection(true);
    return widget;
}

}  // namespace

ColumnsDialog::ColumnsDialog(const ColumnQuestion& question, QWidget* parent)
    : QDialog(parent),
      m_question(question),
      m_preview(table("tblPreview", question.fields, int(question.firstRows.size()), this)) {
    setObjectName(QStringLiteral("frmColumns"));
    setWindowTitle(QStringLiteral("Import"));
    resize(760, 520);
    auto* columns =
        table("tblColumns",
              {QStringLiteral("Column"), QStringLiteral("First values"), QStringLiteral("Goes to")},
              int(question.columns.size()), this);
    for (int i = 0; i < question.columns.size(); ++i) {
        QStringList values;
        for (const QStringList& row : question.firstRows)
            if (const QString value = row.value(i).simplified(); !value.isEmpty())
                values.append(value);
        columns->setItem(i, 0, new QTableWidgetItem(question.columns[i]));
        columns->setItem(i, 1, new QTableWidgetItem(values.join(QStringLiteral("; "))));
        auto* choice = new QComboBox(columns);
        choice->addItem(QStringLiteral("not imported"), -1);
        for (int field = 0; field < question.fields.size(); ++field)
            choice->addItem(question.fields[field], field);
        choice->setCurrentIndex(choice->findData(question.chosen.value(i, -1)));
        connect(choice, &QComboBox::currentIndexChanged, this, &ColumnsDialog::showPreview);
        columns->setCellWidget(i, 2, choice);
        m_choices.append(choice);
    }
    columns->resizeColumnsToContents();
    // The values take the room; the choice keeps the width of its longest field.
    columns->horizontalHeader()->setStretchLastSection(false);
    columns->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("The file's columns are not known. Choose the field each one goes to:"),
        this));
    layout->addWidget(columns, 3);
    layout->addWidget(new QLabel(QStringLiteral("The first contacts:"), this));
    layout->addWidget(m_preview, 2);
    layout->addWidget(buttons);
    showPreview();
}

QList<int> ColumnsDialog::chosen() const {
    QList<int> fields;
    for (const QComboBox* choice : m_choices) fields.append(choice->currentData().toInt());
    return fields;
}

void ColumnsDialog::showPreview() {
    const QList<QStringList> contacts = m_question.preview(chosen());
    m_preview->setRowCount(int(contacts.size()));
    for (int row = 0; row < contacts.size(); ++row)
        for (int field = 0; field < contacts[row].size(); ++field)
            m_preview->setItem(row, field, new QTableWidgetItem(contacts[row][field]));
}

}  // namespace vemora
