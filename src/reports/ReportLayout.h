#pragma once

#include <QColor>
#include <QList>
#include <QMargins>
#include <QRect>
#include <QString>

namespace vemora {

enum class ControlKind { Label, Field, Rectangle, RoundedRectangle, Line };

struct FontSpec {
    QString family = QStringLiteral("Arial");
    double pointSize = 8.25;
    bool bold = false;
    bool italic = false;
};

// One control of a section. Positions are twips relative to the section; a line is the
// segment from the box's top-left to its bottom-right corner (one side 0).
struct Control {
    QString name;
    ControlKind kind = ControlKind::Label;
    QRect box;
    QString caption;      // label
    QString column;       // field: the bound column
    bool isDate = false;  // field: the column holds a day
    FontSpec font;
    Qt::Alignment alignment = Qt::AlignLeft;
    QColor foreColor = Qt::black;  // text, outline or line
    QColor fillColor;              // shapes; invalid when not filled
};

struct Section {
    QString name;
    int height = 0;
    QList<Control> controls;

    // 1-based, as the print commands number them; nullptr when there is no such control.
    Control* control(int index);
    const Control* control(int index) const;
    // The bottom of the lowest control: below it the section is blank.
    int contentHeight() const;
};

// The sections' places in a report, 1-based.
enum SectionIndex : int {
    kReportHeader = 1,
    kPageHeader = 2,
    kDetail = 3,
    kPageFooter = 4,
    kReportFooter = 5,
};

// A banded report: a report header, a page header, a detail section repeated per row, a page
// footer and a report footer, in that order. Units are twips.
struct ReportLayout {
    QString name;
    QString caption;  // of the preview window
    int width = 0;
    QMargins margins{1440, 1440, 1440, 1440};
    QList<Section> sections;

    Section* section(int index);
    const Section* section(int index) const;
};

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kTwipsPerPoint = 20;

}  // namespace vemora
