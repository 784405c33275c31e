#include "reports/ReportPreview.h"

#include <QAction>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QScreen>
#include <QToolBar>
#include <QVBoxLayout>

#include "data/FileWriting.h"
#include "platform/FileDialogs.h"
#include "platform/Prompter.h"
#include "platform/Widgets.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportRenderer.h"

namespace vemora {

namespace {

bool askSystemPrintDialog(QPrinter& printer, QWidget* parent) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

ReportPreview::ReportPreview(Platform& platform, const Report& report, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_platform(platform),
      m_report(report),
      m_view(new QPrintPreviewWidget(&m_printer, this)),
      m_page(new QLabel(this)),
      m_chooser(askSystemPrintDialog) {
    setObjectName(report.layout.name);
    setAccessibleRole(this, QAccessible::Window);
    setWindowTitle(report.layout.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    // An open preview does not keep the program running once the main window is closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    m_printer.setDocName(report.layout.caption);
    m_view->setObjectName(QStringLiteral("view"));
    m_page->setObjectName(QStringLiteral("lblPage"));

    auto* tools = new QToolBar(this);
    tools->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto add = [&](const char* name, const QString& icon, const QString& text,
                   QKeySequence shortcut, auto slot) {
        QAction* action = tools->addAction(themeIcon(icon), text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(shortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("actPrint", QStringLiteral("document-print"), QStringLiteral("&Print..."),
        QKeySequence::Print, &ReportPreview::print);
    add("actExportPdf", QStringLiteral("document-save-as"), QStringLiteral("Export PDF"),
        QKeySequence::SaveAs, &ReportPreview::exportPdf);
    tools->addSeparator();
    m_previous = add("actPreviousPage", QStringLiteral("go-previous"), QStringLiteral("Previous"),
                     QKeySequence::MoveToPreviousPage, [this] { turnPage(-1); });
    tools->addWidget(m_page);
    m_next = add("actNextPage", QStringLiteral("go-next"), QStringLiteral("Next"),
                 QKeySequence::MoveToNextPage, [this] { turnPage(+1); });
    tools->addSeparator();
    add("actZoomIn", QStringLiteral("zoom-in"), QStringLiteral("Zoom In"), QKeySequence::ZoomIn,
        [this] { m_view->zoomIn(); });
    add("actZoomOut", QStringLiteral("zoom-out"), QStringLiteral("Zoom Out"), QKeySequence::ZoomOut,
        [this] { m_view->zoomOut(); });
    add("actFitWidth", QStringLiteral("zoom-fit-width"), QStringLiteral("Fit Width"), {},
        [this] { m_view->fitToWidth(); });
    add("actWholePage", QStringLiteral("zoom-fit-best"), QStringLiteral("Whole Page"), {},
        [this] { m_view->fitInView(); });
    // Close has a bar of its own at the right end, so that a narrow window never hides it.
    auto* closing = m_closeBar = new QToolBar(this);
    closing->setObjectName(QStringLiteral("closeBar"));
    closing->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QAction* close =
        closing->addAction(themeIcon(QStringLiteral("window-close")), QStringLiteral("&Close"));
    close->setObjectName(QStringLiteral("actClose"));
    close->setShortcut(QKeySequence::Close);
    connect(close, &QAction::triggered, this, &QWidget::close);
    escapeCloses(this);
    m_tools = tools;
    m_tools->setObjectName(QStringLiteral("toolBar"));

    auto* bars = new QHBoxLayout;
    bars->setContentsMargins(0, 0, 0, 0);
    bars->setSpacing(0);
    bars->addWidget(tools, 1);
    bars->addWidget(closing);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addLayout(bars);
    layout->addWidget(m_view, 1);
    fitScreen();

    connect(m_view, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        // The words of each page are gathered while it is drawn, for assistive technology.
        m_pageTexts.clear();
        ReportRenderer(m_report.layout, m_report.rows).print(*printer, &m_pageTexts);
    });
    connect(m_view, &QPrintPreviewWidget::previewChanged, this, &ReportPreview::showPageNumber);
    showPageNumber();
}

void ReportPreview::fitScreen() {
    // A page and a half of an A4 sheet where there is room, less on small screens, whose
    // title bars and panels need their share too.
    QSize size(960, 820);
    if (const QScreen* where = screen())
        size = size.boundedTo(where->availableGeometry().size() * 9 / 10);
    resize(size);
}

void ReportPreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitToolBar();
}

// Names beside the icons while they fit; icons alone, named by their tooltips, when not.
void ReportPreview::fitToolBar() {
    if (m_tools->toolButtonStyle() == Qt::ToolButtonTextBesideIcon)
        m_namedWidth = m_tools->sizeHint().width();
    const int room = width() - m_closeBar->sizeHint().width();
    m_tools->setToolButtonStyle(room >= m_namedWidth ? Qt::ToolButtonTextBesideIcon
                                                     : Qt::ToolButtonIconOnly);
}

void ReportPreview::refresh() {
    m_view->updatePreview();
}

int ReportPreview::pageCount() const {
    return m_view->pageCount();
}

QString ReportPreview::pageText() const {
    return m_pageTexts.value(m_view->currentPage() - 1);
}

void ReportPreview::turnPage(int by) {
    m_view->setCurrentPage(m_view->currentPage() + by);
    // The view reports only the pages reached by scrolling it.
    showPageNumber();
}

void ReportPreview::showPageNumber() {
    const int current = m_view->currentPage();
    m_page->setText(QStringLiteral(" Page %1 of %2 ").arg(current).arg(pageCount()));
    m_previous->setEnabled(current > 1);
    m_next->setEnabled(current < pageCount());
    // The page is a picture: a screen reader reads its words from the view's description.
    m_view->setAccessibleName(m_page->text().trimmed());
    if (m_view->accessibleDescription() != pageText()) m_view->setAccessibleDescription(pageText());
}

void ReportPreview::print() {
    if (!m_chooser(m_printer, this)) return;
    m_view->print();
    // The dialog may have changed the paper.
    refresh();
}

void ReportPreview::exportPdf() {
    const auto chosen = m_platform.files.saveFile(
        this, {QStringLiteral("Export PDF"), QStringLiteral("PDF file(*.pdf)|*.pdf"),
               m_report.layout.caption + QStringLiteral(".pdf")});
    if (!chosen) return;
    QString path = *chosen;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");

    // Made in memory and put in place whole: the PDF writer does not report failed writes.
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    bool drawn = false;
    {
        QPdfWriter writer(&pdf);
        writer.setPageLayout(m_printer.pageLayout());
        writer.setTitle(m_report.layout.caption);
        writer.setCreator(QStringLiteral("Vemora"));
        drawn = ReportRenderer(m_report.layout, m_report.rows).print(writer);
    }
    // A drawing that failed comes with no reason to give.
    const std::optional<QString> problem = drawn ? replaceFile(path, pdf.data()) : QString();
    if (!problem) return;
    QString text = QStringLiteral("The report could not be written to %1.")
                       .arg(QDir::toNativeSeparators(path));
    if (!problem->isEmpty()) text += QStringLiteral("\r\n") + *problem;
    m_platform.prompter.show(text, QStringLiteral("Export PDF"), vbExclamation);
}

}  // namespace vemora
