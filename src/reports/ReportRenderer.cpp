#include "reports/ReportRenderer.h"

#include "core/Clock.h"

#include <QDate>
#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QLocale>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>

#include "data/Recordset.h"

namespace vemora {

namespace {

constexpr int kPenTwips = 15;  // one pixel on a 96 dpi screen
constexpr int kCornerTwips = 144;

// Twips to the painter's device units.
struct Scale {
    double x;
    double y;

    explicit Scale(const QPainter& painter)
        : x(painter.device()->logicalDpiX() / double(kTwipsPerInch)),
          y(painter.device()->logicalDpiY() / double(kTwipsPerInch)) {}

    QRectF map(const QRectF& r) const {
        return {r.x() * x, r.y() * y, r.width() * x, r.height() * y};
    }
};

// Metric-compatible stand-ins for the designed fonts where those are not installed.
QStringList families(const QString& family) {
    static const QHash<QString, QStringList> kStandIns = {
        {QStringLiteral("Arial"), {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo")}},
        {QStringLiteral("Times New Roman"),
         {QStringLiteral("Liberation Serif"), QStringLiteral("Tinos")}},
        {QStringLiteral("Monotype Corsiva"),
         {QStringLiteral("Z003"), QStringLiteral("URW Chancery L")}},
    };
    return QStringList{family} + kStandIns.value(family);
}

QFont toFont(const FontSpec& wanted) {
    QFont font;
    font.setFamilies(families(wanted.family));
    font.setPointSizeF(wanted.pointSize);
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    // Unhinted, so lines wrap at the same words on screen, on paper and in a PDF.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

// Wraps the text inside the box and leaves out the lines that do not fit in whole; the first
// line is always drawn, cut at the box.
void drawText(QPainter& painter, QString text, const QFont& font, Qt::Alignment alignment,
              const QRectF& box) {
    text.replace(QStringLiteral("\r\n"), QChar(QChar::LineSeparator));
    text.replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
    text.replace(QLatin1Char('\n'), QChar(QChar::LineSeparator));

    QTextLayout layout(text, font, painter.device());
    QTextOption option(alignment | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    int fitting = 0;
    double y = 0;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(box.width());
        line.setPosition({0, y});
        y += line.height();
        if (fitting > 0 && y > box.height()) break;
        ++fitting;
    }
    layout.endLayout();

    painter.setClipRect(box, Qt::IntersectClip);
    for (int i = 0; i < fitting; ++i) layout.lineAt(i).draw(&painter, box.topLeft());
}

}  // namespace

ReportRenderer::ReportRenderer(const ReportLayout& layout, const Recordset& rows)
    : m_layout(layout), m_rows(rows) {}

QList<ReportPage> ReportRenderer::paginate(QSize paper) const {
    const int top = m_layout.margins.top();
    const int bottom = paper.height() - m_layout.margins.bottom();
    const int limit = bottom - m_layout.section(kPageFooter)->height;

    QList<ReportPage> pages;
    int y = top;
    bool fresh = true;  // nothing but the page header on the page yet
    auto place = [&](int index, int row = -1) {
        pages.last().append({index, row, y, limit});
        y += m_layout.section(index)->height;
        fresh = fresh && index == kPageHeader;
    };
    auto startPage = [&] {
        pages.emplaceBack();
        y = top;
        fresh = true;
        place(kPageHeader);
    };
    // A section starts a new page when what it draws would reach the page footer; its blank
    // lower part may run past it.
    auto fitOrBreak = [&](int index) {
        const int content = m_layout.section(index)->contentHeight();
        if (content > 0 && !fresh && y + content > limit) startPage();
    };

    pages.emplaceBack();
    place(kReportHeader);
    place(kPageHeader);
    for (int row = 0; row < m_rows.rowCount(); ++row) {
        fitOrBreak(kDetail);
        place(kDetail, row);
    }
    fitOrBreak(kReportFooter);
    place(kReportFooter);

    const int footerTop = bottom - m_layout.section(kPageFooter)->height;
    for (ReportPage& page : pages) page.append({kPageFooter, -1, footerTop, bottom});
    return pages;
}

QString ReportRenderer::fieldText(const Control& field, int row) const {
    const int column = m_rows.columnIndex(field.column);
    if (column < 0 || row < 0 || row >= m_rows.rowCount()) return {};
    const QVariant value = m_rows.value(row, column);
    if (field.isDate) {
        const QDate day = QDate::fromString(value.toString().left(10), Qt::ISODate);
        if (day.isValid()) return shortDate(day);
    }
    return value.toString();
}

void ReportRenderer::paintControl(QPainter& painter, const Control& control, const QRectF& box,
                                  const QRectF& clip, int row) const {
    const Scale scale(painter);
    painter.save();
    painter.setClipRect(clip, Qt::IntersectClip);
    QPen pen(control.foreColor, std::max(1.0, kPenTwips * scale.x));
    pen.setJoinStyle(Qt::MiterJoin);
    painter.setPen(pen);
    // Outlines are drawn inside their box.
    const double half = pen.widthF() / 2;
    const QRectF inner = box.adjusted(half, half, -half, -half);
    switch (control.kind) {
        case ControlKind::Label:
            drawText(painter, control.caption, toFont(control.font), control.alignment, box);
            break;
        case ControlKind::Field: {
            const QString text = fieldText(control, row);
            QFont font = toFont(control.font);
            // A day is never cut: its letters shrink until it fits its box on one line.
            if (control.isDate) {
                const double wide = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
                if (wide > box.width() && wide > 0)
                    font.setPointSizeF(
                        std::max(4.0, font.pointSizeF() * box.width() / wide * 0.98));
            }
            drawText(painter, text, font, control.alignment, box);
            break;
        }
        case ControlKind::Rectangle:
            if (control.fillColor.isValid()) painter.fillRect(box, control.fillColor);
            painter.drawRect(inner);
            break;
        case ControlKind::RoundedRectangle: {
            const double radius = std::min<double>(
                kCornerTwips, std::min(control.box.width(), control.box.height()) / 4.0);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.drawRoundedRect(inner, radius * scale.x, radius * scale.y);
            break;
        }
        case ControlKind::Line:
            painter.drawLine(box.topLeft(), box.bottomRight());
            break;
    }
    painter.restore();
}

void ReportRenderer::paintPage(QPainter& painter, const ReportPage& page) const {
    const Scale scale(painter);
    const int left = m_layout.margins.left();
    for (const PlacedSection& placed : page) {
        const Section& section = *m_layout.section(placed.section);
        const int height = std::min(section.height, placed.limit - placed.top);
        if (height <= 0) continue;
        const QRectF area = scale.map(QRectF(left, placed.top, m_layout.width, height));
        for (const Control& control : section.controls) {
            paintControl(painter, control, scale.map(control.box.translated(left, placed.top)),
                         area, placed.row);
        }
    }
}

QString ReportRenderer::pageText(const ReportPage& page) const {
    QStringList lines;
    for (const PlacedSection& placed : page) {
        const Section& section = *m_layout.section(placed.section);
        if (std::min(section.height, placed.limit - placed.top) <= 0) continue;
        for (const Control& control : section.controls) {
            const QString text = control.kind == ControlKind::Label ? control.caption
                                 : control.kind == ControlKind::Field
                                     ? fieldText(control, placed.row)
                                     : QString();
            if (!text.trimmed().isEmpty()) lines.append(text.trimmed());
        }
    }
    return lines.join(QLatin1Char('\n'));
}

bool ReportRenderer::print(QPagedPaintDevice& device, QStringList* texts) const {
    const QPageLayout pageLayout = device.pageLayout();
    const QSizeF points = pageLayout.fullRect(QPageLayout::Point).size();
    const QList<ReportPage> pages = paginate(
        QSize(qRound(points.width() * kTwipsPerPoint), qRound(points.height() * kTwipsPerPoint)));

    QPainter painter;
    if (!painter.begin(&device)) return false;
    // The device's origin is the corner of its printable area; the pages start at the paper's.
    painter.translate(-pageLayout.paintRectPixels(device.logicalDpiX()).topLeft());
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0) device.newPage();
        paintPage(painter, pages.at(i));
        if (texts) texts->append(pageText(pages.at(i)));
    }
    return painter.end();
}

}  // namespace vemora
