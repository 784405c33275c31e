#pragma once

#include <QPrinter>
#include <QWidget>
#include <functional>

#include "platform/Platform.h"

class QAction;
class QLabel;
class QPrintPreviewWidget;
class QToolBar;

namespace vemora {

struct Report;

// The modeless preview window of one report: its pages, zoom, printing through the system
// print dialog and export to PDF.
class ReportPreview final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReportPreview)
public:
    // Asks the user for a printer and its settings; false when cancelled.
    using PrinterChooser = std::function<bool(QPrinter& printer, QWidget* parent)>;

    ReportPreview(Platform& platform, const Report& report, QWidget* parent = nullptr);

    // Lays the report out again over its recordset's current rows.
    void refresh();
    int pageCount() const;
    // What the page on show says, as a screen reader is told it.
    QString pageText() const;
    QPrintPreviewWidget* view() const { return m_view; }
    void setPrinterChooser(PrinterChooser chooser) { m_chooser = std::move(chooser); }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitToolBar();
    void print();
    void exportPdf();
    void turnPage(int by);
    void showPageNumber();
    void fitScreen();

    Platform& m_platform;
    const Report& m_report;
    QPrinter m_printer{QPrinter::HighResolution};
    QPrintPreviewWidget* m_view;
    QLabel* m_page;
    QToolBar* m_tools = nullptr;
    QToolBar* m_closeBar = nullptr;
    int m_namedWidth = 0;
    QAction* m_previous;
    QAction* m_next;
    PrinterChooser m_chooser;
    QStringList m_pageTexts;
};

}  // namespace vemora
