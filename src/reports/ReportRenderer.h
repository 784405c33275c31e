#pragma once

#include <QList>
#include <QSize>
#include <QStringList>

#include "reports/ReportLayout.h"

class QPainter;
class QPagedPaintDevice;

namespace vemora {

class Recordset;

// Where one section lands on a page. Twips from the paper's top edge; nothing of the section
// is drawn below limit.
struct PlacedSection {
    int section = 0;
    int row = -1;  // the recordset row a detail section shows
    int top = 0;
    int limit = 0;
};
using ReportPage = QList<PlacedSection>;

// Lays a report out over the rows of its recordset and paints it: the report header, one
// detail section per row, the report footer, and the page header and footer on every page.
class ReportRenderer final {
public:
    ReportRenderer(const ReportLayout& layout, const Recordset& rows);

    // The pages for a paper of the given size in twips.
    QList<ReportPage> paginate(QSize paper) const;
    // Paints one page at the device's resolution; the painter's origin is the paper's corner.
    void paintPage(QPainter& painter, const ReportPage& page) const;
    // Paints every page onto a printer or PDF writer; false when it cannot be painted on.
    // With texts, each page's text is collected there as well.
    bool print(QPagedPaintDevice& device, QStringList* texts = nullptr) const;
    // The words one page shows, top to bottom, one control to a line.
    QString pageText(const ReportPage& page) const;

    // What a field shows for a row.
    QString fieldText(const Control& field, int row) const;

private:
    void paintControl(QPainter& painter, const Control& control, const QRectF& box,
                      const QRectF& clip, int row) const;

    const ReportLayout& m_layout;
    const Recordset& m_rows;
};

}  // namespace vemora
