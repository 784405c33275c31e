#pragma once

#include "platform/TransferDialogs.h"

#include <QDialog>

class QComboBox;
class QTableWidget;

namespace vemora {

// Says which field each column of a CSV file goes to: each column with its first values and
// a choice of field, and below them the first contacts as the choice makes them.
class ColumnsDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ColumnsDialog)

public:
    ColumnsDialog(const ColumnQuestion& question, QWidget* parent);

    // The field of each column, -1 not imported.
    QList<int> chosen() const;

private:
    void showPreview();

    const ColumnQuestion& m_question;
    QList<QComboBox*> m_choices;
    QTableWidget* m_preview;
};

}  // namespace vemora
