#pragma once

#include <QDate>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QWidget;

namespace vemora {

struct DayRange {
    QDate from;
    QDate to;
};

// What the user is asked of a CSV file of contacts whose header is not known.
struct ColumnQuestion {
    QStringList columns;           // the file's header
    QList<QStringList> firstRows;  // the first rows under it
    QStringList fields;            // what a column can go to, in field order
    QList<int> chosen;             // the field of each column at start, -1 not imported
    // The first contacts, one text per field, as a field for each column makes them.
    std::function<QList<QStringList>(const QList<int>&)> preview;
};

// A long run's progress window, gone when destroyed.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;
    // Shows how far the run is; false once the user has cancelled.
    virtual bool advance(qsizetype done, qsizetype total) = 0;
};

// The questions and answers of importing and exporting.
class TransferDialogs {
public:
    virtual ~TransferDialogs() = default;
    // The days to export, offered from `first` to `last`; nothing when cancelled.
    virtual std::optional<DayRange> askRange(QWidget* parent, QDate first, QDate last) = 0;
    // Whether to export only the contact chosen (true) or all of them; nothing when cancelled.
    virtual std::optional<bool> askChosenOnly(QWidget* parent, const QString& chosen) = 0;
    // The field of each column, -1 not imported; nothing when cancelled.
    virtual std::optional<QList<int>> askColumns(QWidget* parent,
                                                 const ColumnQuestion& question) = 0;
    // One of `charsets` for a file whose character set is a guess; `preview` decodes the
    // file's beginning with one. Nothing when cancelled.
    virtual std::optional<QByteArray> askCharset(
        QWidget* parent, const QList<QByteArray>& charsets,
        const std::function<QString(const QByteArray&)>& preview) = 0;
    // Appears only when the run lasts more than a moment.
    virtual std::unique_ptr<ProgressWindow> progress(QWidget* parent, const QString& label) = 0;
    // An information box; the details behind its Show Details button when there are any.
    virtual void showSummary(QWidget* parent, const QString& text, const QString& title,
                             const QStringList& details) = 0;
};

}  // namespace vemora
