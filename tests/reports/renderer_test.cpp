#include <QLocale>

#include "ReportFixture.h"
#include "core/Clock.h"
#include "reports/Layouts.h"
#include "reports/ReportRenderer.h"

using namespace vemora;
using namespace vemora::test;

namespace {

// One row with a short value for every column the layout binds; days are 2024-03-15.
Recordset sampleRow(const ReportLayout& layout) {
    QStringList columns;
    QVariantList values;
    for (const Control& c : layout.section(kDetail)->controls) {
        if (c.kind != ControlKind::Field) continue;
        columns.append(c.column);
        values.append(c.isDate ? QStringLiteral("2024-12-31") : QStringLiteral("v ") + c.column);
    }
    return Recordset(columns, {values});
}

QList<ReportLayout> allLayouts() {
    return {layouts::DataDiaryReport(), layouts::DataPlanner(), layouts::DataDictionary(),
            layouts::DataReportAddressBook()};
}

bool isText(const Control& c) {
    return c.kind == ControlKind::Label || c.kind == ControlKind::Field;
}

class ReportRendererTest : public ::testing::Test {
protected:
    // Days then read month/day/year, whatever the machine's region.
    ReportRendererTest() { QLocale::setDefault(QLocale::c()); }
    ~ReportRendererTest() override { QLocale::setDefault(QLocale::system()); }
};

}  // namespace

TEST_F(ReportRendererTest, DrawsEveryCaptionAndValueInsideItsBoxWhereTheLayoutPutsIt) {
    constexpr double tolerance = 30;  // twips
    for (ReportLayout layout : allLayouts()) {
        SCOPED_TRACE(layout.name.toStdString());
        for (Control& c : layout.section(kReportHeader)->controls)
            if (c.kind == ControlKind::Label && c.caption.isEmpty())
                c.caption = QStringLiteral("Ann.");
        const Recordset rows = sampleRow(layout);
        const ReportRenderer renderer(layout, rows);
        const auto page = recordPage(layout, rows);

        int top = layout.margins.top();  // header, then the one detail, then the report footer
        for (int index : {kReportHeader, kPageHeader, kDetail, kReportFooter}) {
            for (const Control& c : layout.section(index)->controls) {
                if (!isText(c)) continue;
                const QString text =
                    c.kind == ControlKind::Field ? renderer.fieldText(c, 0) : c.caption;
                const PaintedText* drawn = page->find(text);
                ASSERT_NE(drawn, nullptr) << c.name.toStdString();
                const QRectF box = QRectF(c.box).translated(layout.margins.left(), top);
                EXPECT_NEAR(drawn->box.top(), box.top(), tolerance) << c.name.toStdString();
                EXPECT_LE(drawn->box.bottom(), box.bottom() + tolerance) << c.name.toStdString();
                EXPECT_GE(drawn->box.left(), box.left() - 1) << c.name.toStdString();
                EXPECT_LE(drawn->box.right(), box.right() + 1) << c.name.toStdString();
                const bool right = c.alignment & Qt::AlignRight;
                EXPECT_NEAR(right ? drawn->box.right() : drawn->box.left(),
                            right ? box.right() : box.left(), tolerance)
                    << c.name.toStdString();
            }
            top += layout.section(index)->height;
        }
    }
}

TEST_F(ReportRendererTest, DiaryShowsTheDayShortAndFallsBackToMetricCompatibleFonts) {
    const ReportLayout layout = layouts::DataDiaryReport();
    const auto page = recordPage(layout, sampleRow(layout));
    // The day as the windows write it: the region's form with the year in full, whole even
    // where it is wider than the layout's narrow box.
    EXPECT_NE(page->find(shortDate(QDate(2024, 12, 31))), nullptr);
    const QLocale before;
    for (const auto& [locale, shown] :
         {std::pair{QLocale::c(), QStringLiteral("12/31/2024")},
          std::pair{QLocale(QLocale::German, QLocale::Germany), QStringLiteral("31.12.2024")}}) {
        QLocale::setDefault(locale);
        EXPECT_NE(recordPage(layout, sampleRow(layout))->find(shown), nullptr)
            << shown.toStdString();
    }
    QLocale::setDefault(before);
    ASSERT_NE(page->find(QStringLiteral("My Diary")), nullptr);
    ASSERT_NE(page->find(QStringLiteral("v diary_message")), nullptr);
    EXPECT_TRUE(QStringList({QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif")})
                    .contains(page->find(QStringLiteral("My Diary"))->family));
    EXPECT_TRUE(QStringList({QStringLiteral("Monotype Corsiva"), QStringLiteral("Z003")})
                    .contains(page->find(QStringLiteral("v diary_message"))->family));
}

TEST_F(ReportRendererTest, LongTextWrapsInsideItsBoxAndNeverOverOtherControls) {
    const ReportLayout layout = layouts::DataDiaryReport();
    QString text;
    for (int i = 0; i < 80; ++i)
        text += QStringLiteral("Line %1 of a diary entry that goes on and on.\r\n").arg(i);
    text += QString(400, QLatin1Char('W'));  // a word wider than the box
    const QStringList columns{QStringLiteral("diary_date"), QStringLiteral("diary_message")};
    constexpr int dpi = 96;
    const QImage with =
        paintPage(layout, Recordset(columns, {{QStringLiteral("2024-12-31"), text}}), dpi);
    const QImage without =
        paintPage(layout, Recordset(columns, {{QStringLiteral("2024-12-31"), {}}}), dpi);

    const QRect field = layout.section(kDetail)->control(7)->box.translated(
        layout.margins.left(), layout.margins.top() + layout.section(kReportHeader)->height);
    const QRect pixels(field.topLeft() * dpi / 1440, field.size() * dpi / 1440);
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < with.height(); ++y)
        for (int x = 0; x < with.width(); ++x)
            if (with.pixel(x, y) != without.pixel(x, y))
                (pixels.contains(x, y) ? inside : outside)++;
    EXPECT_GT(inside, 1000);
    EXPECT_EQ(outside, 0);
}

TEST_F(ReportRendererTest, PagesBreakBetweenDetailSectionsAndEachHasItsPageFooter) {
    const ReportLayout layout = layouts::DataReportAddressBook();
    const Recordset rows({QStringLiteral("name")}, QList<QVariantList>(5, {QStringLiteral("Ann")}));
    const QList<ReportPage> pages = ReportRenderer(layout, rows).paginate(kLetter);
    ASSERT_GT(pages.size(), 1);

    const int footerTop =
        kLetter.height() - layout.margins.bottom() - layout.section(kPageFooter)->height;
    int nextRow = 0;
    for (qsizetype p = 0; p < pages.size(); ++p) {
        int bottom = 0;
        for (const PlacedSection& s : pages.at(p)) {
            const Section& section = *layout.section(s.section);
            if (s.section == kPageFooter) {
                EXPECT_EQ(s.top, footerTop);
                EXPECT_EQ(&s, &pages.at(p).last());
                continue;
            }
            EXPECT_GE(s.top, bottom);  // no overlap, in order
            EXPECT_LE(s.top + section.contentHeight(), footerTop);
            bottom = s.top + section.height;
            if (s.section == kDetail) {
                EXPECT_EQ(s.row, nextRow++);
            }
            if (s.section == kReportHeader) {
                EXPECT_EQ(p, 0);
            }
            if (s.section == kReportFooter) {
                EXPECT_EQ(p, pages.size() - 1);
            }
        }
    }
    EXPECT_EQ(nextRow, 5);
    // A diary entry fills a page but fits on one, letter or A4.
    const ReportLayout diary = layouts::DataDiaryReport();
    EXPECT_EQ(ReportRenderer(diary, sampleRow(diary)).paginate(kLetter).size(), 1);
    EXPECT_EQ(ReportRenderer(diary, sampleRow(diary)).paginate({11906, 16838}).size(), 1);
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
                EXPECT_EQ(page->find(c.caption), nullptr) << c.name.toStdString();
            }
    }
}
