#include "workspace/find/frmFind.h"

#include "core/SearchResults.h"
#include "platform/ErrorPrompts.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "ui_frmFind.h"

#include <QAbstractTextDocumentLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QTimer>

namespace vemora {

namespace {

// A pause this long in typing runs the search.
constexpr int kTypingPauseMs = 150;

// Draws a snippet's HTML, the matched words in bold, in the colours of the row.
class SnippetDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        const QString html = index.data(SearchResults::kSnippetHtmlRole).toString();
        item.text.clear();
        const QWidget* view = option.widget;
        QStyle* style = view ? view->style() : nullptr;
        if (style) style->drawControl(QStyle::CE_ItemViewItem, &item, painter, view);
        QTextDocument document;
        document.setDefaultFont(item.font);
        document.setDocumentMargin(2);
        document.setHtml(html);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = item.palette;
        context.palette.setColor(
            QPalette::Text,
            item.palette.color(item.state & QStyle::State_Selected ? QPalette::HighlightedText
                                                                   : QPalette::Text));
        const QRect area =
            style ? style->subElementRect(QStyle::SE_ItemViewItemText, &item, view) : item.rect;
        painter->save();
        painter->translate(area.left(),
                           area.top() + (area.height() - document.size().height()) / 2);
        context.clip = QRectF(0, 0, area.width(), area.height());
        painter->setClipRect(context.clip);
        document.documentLayout()->draw(painter, context);
        painter->restore();
    }
};

}  // namespace

frmFind::frmFind(Platform& platform, QWidget* parent)
    : QWidget(parent),
      m_platform(platform),
      m_ui(std::make_unique<::Ui::frmFind>()),
      m_results(new SearchResults(platform.session.database(), this)),
      m_pause(new QTimer(this)) {
    m_ui->setupUi(this);
    setAccessibleRole(this, QAccessible::Window);
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(themeIcon(QStringLiteral("edit-find")));
    m_ui->cmdOnThisDay->setIcon(themeIcon(QStringLiteral("x-office-calendar")));
    m_ui->cmdShow->setIcon(themeIcon(QStringLiteral("go-next")));
    m_ui->cmdClose->setIcon(themeIcon(QStringLiteral("window-close")));
    // Longer than any phrase worth finding; a pasted page would only slow the search.
    m_ui->txtFind->setMaxLength(255);
    m_ui->dtpDay->setDate(QDate::currentDate());

    QTableView* grid = m_ui->grdResults;
    grid->setModel(m_results);
    grid->setItemDelegateForColumn(SearchResults::TextColumn, new SnippetDelegate(grid));
    grid->horizontalHeader()->setSectionResizeMode(SearchResults::DayColumn,
                                                   QHeaderView::ResizeToContents);
    grid->horizontalHeader()->setSectionResizeMode(SearchResults::PlaceColumn,
                                                   QHeaderView::ResizeToContents);

    m_pause->setObjectName(QStringLiteral("typingPause"));
    m_pause->setSingleShot(true);
    m_pause->setInterval(kTypingPauseMs);
    connect(m_pause, &QTimer::timeout, this, &frmFind::searchNow);
    connect(m_ui->txtFind, &QLineEdit::textEdited, m_pause, qOverload<>(&QTimer::start));
    connect(m_ui->txtFind, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The clear button empties the box without an edit.
        if (text.isEmpty()) searchNow();
    });
    connect(m_ui->cmboOrder, &QComboBox::currentIndexChanged, this, &frmFind::searchNow);
    connect(m_ui->txtFind, &QLineEdit::returnPressed, this, [this] {
        searchNow();
        showChosen();
    });
    connect(grid, &QAbstractItemView::activated, this, &frmFind::showChosen);
    connect(m_ui->cmdShow, &QPushButton::clicked, this, &frmFind::showChosen);
    connect(m_ui->cmdOnThisDay, &QPushButton::clicked, this, &frmFind::showOnThisDay);
    connect(m_ui->cmdClose, &QPushButton::clicked, this, &QWidget::close);
    const auto listed = [this] { m_ui->cmdShow->setEnabled(m_results->rowCount() > 0); };
    connect(m_results, &QAbstractItemModel::modelReset, this, listed);
    connect(m_results, &QAbstractItemModel::rowsInserted, this, listed);
    m_ui->cmdShow->setEnabled(false);
    enterPressesButtons(this);
    escapeCloses(this);
    m_ui->txtFind->setFocus(Qt::OtherFocusReason);
}

frmFind::~frmFind() = default;

void frmFind::setDay(QDate day) {
    if (day.isValid()) m_ui->dtpDay->setDate(day);
}

void frmFind::searchNow() {
    m_pause->stop();
    const Status done = m_results->search(
        m_platform.session.CurrentUser().user_num.toLongLong(), m_ui->txtFind->text(),
        m_ui->cmboOrder->currentIndex() == 1 ? SearchOrder::Relevance : SearchOrder::Newest);
    if (!done) {
        m_results->clear();
        reportTrapped(m_platform.prompter, done.error(), TrapWording::Record);
    }
    if (m_results->rowCount() > 0) m_ui->grdResults->selectRow(0);
    showCount();
}

void frmFind::showOnThisDay() {
    m_pause->stop();
    const QDate day = m_ui->dtpDay->date();
    const Status done =
        m_results->showOnThisDay(m_platform.session.CurrentUser().user_num.toLongLong(), day);
    if (!done) {
        m_results->clear();
        reportTrapped(m_platform.prompter, done.error(), TrapWording::Record);
    }
    if (m_results->rowCount() > 0) m_ui->grdResults->selectRow(0);
    showCount(QLocale().toString(day, QStringLiteral("d MMMM")));
}

void frmFind::showCount(const QString& onThisDay) {
    const qint64 found = m_results->found();
    QString text;
    if (!onThisDay.isEmpty())
        text = found == 0 ? QStringLiteral("Nothing on %1 in earlier years.").arg(onThisDay)
               : found == 1
                   ? QStringLiteral("1 result on %1 in earlier years.").arg(onThisDay)
                   : QStringLiteral("%1 results on %2 in earlier years.").arg(found).arg(onThisDay);
    else if (!m_ui->txtFind->text().trimmed().isEmpty())
        text = found == 0   ? QStringLiteral("No results.")
               : found == 1 ? QStringLiteral("1 result.")
               : found > SearchResults::kCountedUpTo
                   ? QStringLiteral("More than %1 results.").arg(SearchResults::kCountedUpTo)
                   : QStringLiteral("%1 results.").arg(found);
    m_ui->lblCount->setText(text);
}

void frmFind::showChosen() {
    const QModelIndex current = m_ui->grdResults->currentIndex();
    const int row = current.isValid() ? current.row() : 0;
    if (row >= m_results->rowCount()) return;
    const SearchHit& hit = m_results->hit(row);
    emit dayChosen(hit.day, hit.place);
}

}  // namespace vemora
