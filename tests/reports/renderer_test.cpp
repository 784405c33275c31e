#include "ReportFixture.h"

#include "reports/Layouts.h"
#include "reports/ReportRenderer.h"

#include <QLocale>

using namespace vemora;
using namespace vemora::test;

namespace {

constexpr double kTolerance = 30;  // twips

// One row holding a short value for every column a layout binds; days are 2024-03-15.
Recordset sampleRow(const ReportLayout& layout) {
    QStringList columns;
    QVariantList values;
    for (const Control& c : layout.section(kDetail)->controls) {
        if (c.kind != ControlKind::Field) continue;
        columns.append(c.column);
        values.append(c.isDate ? QStringLiteral("2024-03-15") : QStringLiteral("v ") + c.column);
    }
    return Recordset(columns, {values});
}

QList<ReportLayout> allLayouts() {
    return {layouts::DataDiaryReport(), layouts::DataPlanner(), layouts::DataDictionary(),
            layouts::DataReportAddressBook()};
}

class ReportRendererTest : public ::testing::Test {
protected:
    // Days read month/day/year whatever the machine's region.
    ReportRendererTest() { QLocale::setDefault(QLocale::c()); }
    ~ReportRendererTest() override { QLocale::setDefault(QLocale::system()); }
};

}  // namespace

TEST_F(ReportRendererTest, DrawsEveryCaptionAndFieldValueInsideItsBoxWhereTheLayoutPutsIt) {
    for (ReportLayout layout : allLayouts()) {
        SCOPED_TRACE(layout.name.toStdString());
        for (Control& c : layout.section(kReportHeader)->controls)
            if (c.kind == ControlKind::Label && c.caption.isEmpty()) c.caption = QStringLiteral("Ann.");
        const Recordset rows = sampleRow(layout);
        const auto page = recordPage(layout, rows);
        const ReportRenderer renderer(layout, rows);

        // Report header at the top margin, the one detail below it, the report footer below that.
        int top = layout.margins.top();
        for (int index : {kReportHeader, kPageHeader, kDetail, kReportFooter}) {
            const Section& section = *layout.section(index);
            for (const Control& c : section.controls) {
                if (c.kind != ControlKind::Label && c.kind != ControlKind::Field) continue;
                const QString text = c.kind == ControlKind::Field ? renderer.fieldText(c, 0) : c.caption;
                SCOPED_TRACE(c.name.toStdString());
                const PaintedText* drawn = page->find(text);
                ASSERT_NE(drawn, nullptr) << text.toStdString();
                const QRectF box = QRectF(c.box).translated(layout.margins.left(), top);
                EXPECT_NEAR(drawn->box.top(), box.top(), kTolerance);
                EXPECT_LE(drawn->box.bottom(), box.bottom() + kTolerance);
                EXPECT_GE(drawn->box.left(), box.left() - 1);
                EXPECT_LE(drawn->box.right(), box.right() + 1);
                if (c.alignment & Qt::AlignRight)
                    EXPECT_NEAR(drawn->box.right(), box.right(), kTolerance);
                else
                    EXPECT_NEAR(drawn->box.left(), box.left(), kTolerance);
            }
            top += section.height;
        }
    }
}

TEST_F(ReportRendererTest, FieldsShowDaysInTheRegionalShortForm) {
    const ReportLayout layout = layouts::DataDiaryReport();
    const auto page = recordPage(layout, sampleRow(layout));
    EXPECT_NE(page->find(QStringLiteral("3/15/2024")), nullptr);
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_NE(recordPage(layout, sampleRow(layout))->find(QStringLiteral("15.03.24")), nullptr);
}

TEST_F(ReportRendererTest, LongTextWrapsInsideItsBoxAndWhatDoesNotFitIsLeftOut) {
    const ReportLayout layout = layouts::DataDiaryReport();
    const Control& message = *layout.section(kDetail)->control(7);
    QString text;
    for (int i = 0; i < 80; ++i) text += QStringLiteral("Line %1 of a very long diary entry that goes on and on.\r\n").arg(i);
    text += QString(400, QLatin1Char('W'));  // one word wider than the box
    const QStringList columns{QStringLiteral("diary_date"), QStringLiteral("diary_message")};
    const Recordset longRow(columns, {{QStringLiteral("2024-03-15"), text}});
    const Recordset emptyRow(columns, {{QStringLiteral("2024-03-15"), QString()}});

    const int top = layout.margins.top() + layout.section(kReportHeader)->height;
    const QRectF box = QRectF(message.box).translated(layout.margins.left(), top);
    const auto page = recordPage(layout, longRow);
    int lines = 0;
    for (const PaintedText& t : page->texts()) {
        if (!t.text.startsWith(QStringLiteral("Line ")) && !t.text.startsWith(u'W')) continue;
        ++lines;
        EXPECT_GE(t.box.left(), box.left() - 1) << t.text.toStdString();
        EXPECT_LE(t.box.right(), box.right() + 1) << t.text.toStdString();
        EXPECT_LE(t.box.bottom(), box.bottom() + 1) << t.text.toStdString();
    }
    EXPECT_GT(lines, 20);
    EXPECT_NE(page->find(QStringLiteral("Diary message:")), nullptr);

    // On an image, every pixel the text changes lies inside the field's box.
    constexpr int dpi = 96;
    const QImage withText = paintPage(layout, longRow, dpi);
    const QImage without = paintPage(layout, emptyRow, dpi);
    const QRect pixels = QRectF(box.x() * dpi / 1440, box.y() * dpi / 1440, box.width() * dpi / 1440,
                                box.height() * dpi / 1440).toAlignedRect();
    int changedInside = 0;
    int changedOutside = 0;
    for (int y = 0; y < withText.height(); ++y) {
        for (int x = 0; x < withText.width(); ++x) {
            if (withText.pixel(x, y) == without.pixel(x, y)) continue;
            (pixels.contains(x, y) ? changedInside : changedOutside)++;
        }
    }
    EXPECT_GT(changedInside, 1000);
    EXPECT_EQ(changedOutside, 0);
}

TEST_F(ReportRendererTest, GrayBarsAreFilledAndCarryWhiteText) {
    const ReportLayout layout = layouts::DataPlanner();
    const QImage image = paintPage(layout, sampleRow(layout), 96);
    const int detailTop = layout.margins.top() + layout.section(kReportHeader)->height;
    auto pixelAt = [&](int xTwips, int yTwips) {
        return QColor(image.pixel((layout.margins.left() + xTwips) * 96 / 1440,
                                  (detailTop + yTwips) * 96 / 1440));
    };
    EXPECT_EQ(pixelAt(2000, 140), QColor(0x808080));   // top bar, left of its texts
    EXPECT_EQ(pixelAt(2000, 9930), QColor(0x808080));  // bottom bar
    int white = 0;
    for (int x = 7920; x < 7920 + 861; x += 5)
        for (int y = 20; y < 220; y += 5) white += pixelAt(x, y) == QColor(Qt::white);
    EXPECT_GT(white, 10);  // the day, written on the top bar
}

TEST_F(ReportRendererTest, DesignedFontsFallBackToMetricCompatibleOnes) {
    const ReportLayout layout = layouts::DataDiaryReport();
    const auto page = recordPage(layout, sampleRow(layout));
    ASSERT_NE(page->find(QStringLiteral("My Diary")), nullptr);
    ASSERT_NE(page->find(QStringLiteral("v diary_message")), nullptr);
    EXPECT_TRUE(QStringList({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"),
                             QStringLiteral("Tinos")})
                    .contains(page->find(QStringLiteral("My Diary"))->family));
    EXPECT_TRUE(QStringList({QStringLiteral("Monotype Corsiva"), QStringLiteral("Z003"),
                             QStringLiteral("URW Chancery L")})
                    .contains(page->find(QStringLiteral("v diary_message"))->family));
}

TEST_F(ReportRendererTest, PagesBreakBetweenDetailSectionsAndEveryPageHasItsFooter) {
    const ReportLayout layout = layouts::DataReportAddressBook();
    QList<QVariantList> rows;
    for (int i = 0; i < 5; ++i) rows.append({QStringLiteral("Name %1").arg(i)});
    const Recordset recordset({QStringLiteral("name")}, rows);
    const QList<ReportPage> pages = ReportRenderer(layout, recordset).paginate(kLetter);
    ASSERT_GT(pages.size(), 1);

    const int footerHeight = layout.section(kPageFooter)->height;
    const int footerTop = kLetter.height() - layout.margins.bottom() - footerHeight;
    int nextRow = 0;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        SCOPED_TRACE(p);
        int bottom = 0;  // sections never overlap
        int footers = 0;
        for (const PlacedSection& s : pages.at(p)) {
            if (s.section == kPageFooter) {
                ++footers;
                EXPECT_EQ(s.top, footerTop);
                continue;
            }
            EXPECT_GE(s.top, bottom);
            bottom = s.top + layout.section(s.section)->height;
            EXPECT_LE(s.top + layout.section(s.section)->contentHeight(), footerTop);
            if (s.section == kDetail) {
                EXPECT_EQ(s.row, nextRow++);
            } else if (s.section == kReportHeader) {
                EXPECT_EQ(p, 0);
            } else if (s.section == kReportFooter) {
                EXPECT_EQ(p, pages.size() - 1);
            }
        }
        EXPECT_EQ(footers, 1);
    }
    EXPECT_EQ(nextRow, 5);
    const auto last = recordPage(layout, recordset);
    EXPECT_NE(last->find(QStringLiteral("Name 0")), nullptr);
}

TEST_F(ReportRendererTest, OneDiaryEntryFitsOnOneLetterOrA4Page) {
    const ReportLayout layout = layouts::DataDiaryReport();
    const Recordset row = sampleRow(layout);
    EXPECT_EQ(ReportRenderer(layout, row).paginate(kLetter).size(), 1);
    EXPECT_EQ(ReportRenderer(layout, row).paginate(QSize(11906, 16838)).size(), 1);
}

TEST_F(ReportRendererTest, NoRowsGiveOnePageWithoutDetailSections) {
    for (const ReportLayout& layout : allLayouts()) {
        SCOPED_TRACE(layout.name.toStdString());
        const Recordset closed;
        const QList<ReportPage> pages = ReportRenderer(layout, closed).paginate(kLetter);
        ASSERT_EQ(pages.size(), 1);
        for (const PlacedSection& s : pages.first()) EXPECT_NE(s.section, kDetail);
        const auto page = recordPage(layout, closed);
        EXPECT_NE(page->find(layout.section(kReportHeader)->control(1)->caption), nullptr);
        for (const Control& c : layout.section(kDetail)->controls)
            if (c.kind == ControlKind::Label) {
                EXPECT_EQ(page->find(c.caption), nullptr);
            }
    }
}
