#include "ReportFixture.h"

#include "data/Statement.h"
#include "reports/DataEnvironment.h"
#include "reports/Print.h"
#include "reports/ReportPreview.h"

#include <QCoreApplication>
#include <QPrintPreviewWidget>

using namespace vemora;
using namespace vemora::test;

namespace {

QString headerCaption(Report& report, int control) {
    return report.layout.section(kReportHeader)->control(control)->caption;
}

}  // namespace

TEST_F(ReportTest, DiaryPrintShowsOnlyTheUsersEntryOfTheDayUnderHerName) {
    DataEnvironment& env = DataEnvironment::instance();
    env.rscom_diary().close();  // as on the first print of a run

    ReportPreview* preview = printDiary(tp.platform, kDay);

    EXPECT_EQ(tp.session.SqlText(), QStringLiteral("SELECT * FROM diary_tbl WHERE user_num = %1 "
                                                   "AND diary_date = #2024-03-15#").arg(ann));
    const Recordset& rows = env.rscom_diary();
    ASSERT_EQ(rows.rowCount(), 1);
    EXPECT_EQ(rows.field(u"user_num").toInt(), ann);
    EXPECT_EQ(rows.text(u"diary_message"), QStringLiteral("Ann wrote this"));
    EXPECT_EQ(headerCaption(env.DataDiaryReport(), 2), QStringLiteral("Ann's diary profile."));
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_FALSE(preview->isModal());
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Diary Report"));
    EXPECT_EQ(preview->pageCount(), 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, PlannerPrintShowsOnlyTheUsersPlanFromHerDesk) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview = printPlanner(tp.platform, kDay);

    EXPECT_EQ(tp.session.SqlText(), QStringLiteral("SELECT * FROM planner_tbl WHERE user_num = %1  "
                                                   "AND planner_date = #2024-03-15#").arg(ann));
    ASSERT_EQ(env.rscom_planner().rowCount(), 1);
    EXPECT_EQ(env.rscom_planner().text(u"time_am"), QStringLiteral("Ann am"));
    EXPECT_EQ(headerCaption(env.DataPlanner(), 3), QStringLiteral("Ann."));
    EXPECT_EQ(headerCaption(env.DataPlanner(), 2), QStringLiteral("From the desk of"));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Planner Report"));

    // Another day holds no plan: the report shows no detail.
    printPlanner(tp.platform, kDay.addDays(1));
    EXPECT_TRUE(env.rscom_planner().isOpen());
    EXPECT_EQ(env.rscom_planner().rowCount(), 0);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, AddressBookPrintSelectsTheTypedNamesTrimmedAmongTheUsersContacts) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview = printAddressBook(tp.platform, QStringLiteral(" John "),
                                              QStringLiteral("Q "), QStringLiteral(" Public"));

    EXPECT_EQ(tp.session.SqlText(),
              QStringLiteral("SELECT * FROM addressbook_tbl WHERE user_num = %1 AND name='John' "
                             "AND  middle_name='Q' AND last_name='Public'").arg(ann));
    ASSERT_EQ(env.rscom_addressbook().rowCount(), 1);
    EXPECT_EQ(env.rscom_addressbook().text(u"address"), QStringLiteral("Ann street"));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Addressbook Report"));

    printAddressBook(tp.platform, {}, {}, {});
    EXPECT_EQ(env.rscom_addressbook().rowCount(), 0);
    EXPECT_EQ(preview->pageCount(), 1);
}

TEST_F(ReportTest, DictionaryPrintFindsTheLoadedWordWhoeverStoredIt) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview =
        printDictionary(tp.platform, QStringLiteral("Serendipity "), QStringLiteral(" A happy accident"));
    ASSERT_EQ(env.rscom_dictionary().rowCount(), 1);
    EXPECT_EQ(env.rscom_dictionary().field(u"user_num").toInt(), bob);
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Dictionary Report"));

    printDictionary(tp.platform, {}, {});  // no word loaded
    EXPECT_EQ(env.rscom_dictionary().rowCount(), 0);
}

TEST_F(ReportTest, ABrokenSelectionIsPassedOverAndTheReportShownWithoutRows) {
    DataEnvironment& env = DataEnvironment::instance();
    printAddressBook(tp.platform, QStringLiteral(" John "), QStringLiteral("Q"), QStringLiteral("Public"));
    ASSERT_EQ(env.rscom_addressbook().rowCount(), 1);

    ReportPreview* preview = printAddressBook(tp.platform, QStringLiteral("O'Neil"), {}, {});
    EXPECT_TRUE(tp.session.SqlText().contains(QStringLiteral("name='O'Neil'")));
    EXPECT_FALSE(env.rscom_addressbook().isOpen());
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->pageCount(), 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, PrintingAgainRefreshesTheOpenPreview) {
    ReportPreview* first = printDiary(tp.platform, kDay);
    first->resize(700, 600);
    const QImage before = first->view()->grab().toImage();

    tp.query(Statement("UPDATE diary_tbl SET diary_message = 'Changed since' WHERE user_num = ")
                 .number(ann));
    ReportPreview* second = printDiary(tp.platform, kDay);
    EXPECT_EQ(second, first);
    EXPECT_EQ(DataEnvironment::instance().rscom_diary().text(u"diary_message"),
              QStringLiteral("Changed since"));
    EXPECT_NE(second->view()->grab().toImage(), before);

    // A closed preview is opened anew.
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ReportPreview* third = printDiary(tp.platform, kDay);
    ASSERT_NE(third, nullptr);
    EXPECT_TRUE(third->isVisible());

    // At log-out.
    closeReportPreviews();
    EXPECT_TRUE(DataEnvironment::instance().DataDiaryReport().preview.isNull());
}
