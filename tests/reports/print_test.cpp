#include "reports/Print.h"

#include <QCoreApplication>
#include <QPrintPreviewWidget>

#include "ReportFixture.h"
#include "data/Statement.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportPreview.h"

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

    ASSERT_EQ(env.rscom_diary().rowCount(), 1);
    EXPECT_EQ(env.rscom_diary().field(u"user_num").toInt(), ann);
    EXPECT_EQ(env.rscom_diary().date(u"diary_date"), kDay);
    EXPECT_EQ(env.rscom_diary().text(u"diary_message"), QStringLiteral("Ann wrote this"));
    EXPECT_EQ(headerCaption(env.DataDiaryReport(), 2), QStringLiteral("Ann's diary profile."));
    ASSERT_NE(preview, nullptr);
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Diary Report"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, PlannerPrintShowsOnlyTheUsersPlanFromHerDesk) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview = printPlanner(tp.platform, kDay);
    ASSERT_EQ(env.rscom_planner().rowCount(), 1);
    EXPECT_EQ(env.rscom_planner().field(u"user_num").toInt(), ann);
    EXPECT_EQ(env.rscom_planner().text(u"time_am"), QStringLiteral("Ann am"));
    EXPECT_EQ(headerCaption(env.DataPlanner(), 3), QStringLiteral("Ann."));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Planner Report"));

    printPlanner(tp.platform, kDay.addDays(1));  // a day without a plan
    EXPECT_EQ(env.rscom_planner().rowCount(), 0);
    EXPECT_EQ(preview->pageCount(), 1);
}

TEST_F(ReportTest, AddressBookPrintSelectsTheTypedNamesTrimmedAmongTheUsersContacts) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview = printAddressBook(tp.platform, QStringLiteral(" John "),
                                              QStringLiteral("Q "), QStringLiteral(" Public"));
    ASSERT_EQ(env.rscom_addressbook().rowCount(), 1);
    EXPECT_EQ(env.rscom_addressbook().field(u"user_num").toInt(), ann);
    EXPECT_EQ(env.rscom_addressbook().text(u"address"), QStringLiteral("Ann street"));
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Addressbook Report"));

    // Blanks are trimmed, line breaks and tabs are not: they are part of the name.
    tp.query(
        Statement("UPDATE addressbook_tbl SET name = '  John ' WHERE user_num = ").number(ann));
    printAddressBook(tp.platform, QStringLiteral("John"), QStringLiteral("Q"),
                     QStringLiteral("Public"));
    EXPECT_EQ(env.rscom_addressbook().rowCount(), 1);
    printAddressBook(tp.platform, QStringLiteral("John\t"), QStringLiteral("Q"),
                     QStringLiteral("Public"));
    EXPECT_EQ(env.rscom_addressbook().rowCount(), 0);

    // An apostrophe breaks the selection: passed over, the report shows no contact.
    EXPECT_EQ(printAddressBook(tp.platform, QStringLiteral("O'Neil"), {}, {}), preview);
    EXPECT_FALSE(env.rscom_addressbook().isOpen());
    EXPECT_TRUE(preview->isVisible());
    EXPECT_EQ(preview->pageCount(), 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(ReportTest, DictionaryPrintFindsTheLoadedWordExactlyWhoeverStoredIt) {
    DataEnvironment& env = DataEnvironment::instance();
    ReportPreview* preview = printDictionary(tp.platform, QStringLiteral("Serendipity"),
                                             QStringLiteral("A happy accident"));
    ASSERT_EQ(env.rscom_dictionary().rowCount(), 1);
    EXPECT_EQ(env.rscom_dictionary().field(u"user_num").toInt(), bob);
    EXPECT_EQ(preview->windowTitle(), QStringLiteral("Data Dictionary Report"));

    // Line breaks around the description are part of it; other letter case is another word.
    tp.query(Statement("UPDATE dictionary_tbl SET dict_description = ")
                 .text(QStringLiteral("\r\nA happy accident\n")));
    printDictionary(tp.platform, QStringLiteral("Serendipity"),
                    QStringLiteral("\r\nA happy accident\n"));
    EXPECT_EQ(env.rscom_dictionary().rowCount(), 1);
    printDictionary(tp.platform, QStringLiteral("serendipity"),
                    QStringLiteral("\r\nA happy accident\n"));
    EXPECT_EQ(env.rscom_dictionary().rowCount(), 0);

    printDictionary(tp.platform, {}, {});  // no word loaded
    EXPECT_EQ(env.rscom_dictionary().rowCount(), 0);
}

TEST_F(ReportTest, PrintingAgainRefreshesTheOpenPreview) {
    ReportPreview* first = printDiary(tp.platform, kDay);
    const QImage before = first->view()->grab().toImage();
    tp.query(
        Statement("UPDATE diary_tbl SET diary_message = 'Changed' WHERE user_num = ").number(ann));
    EXPECT_EQ(printDiary(tp.platform, kDay), first);
    EXPECT_NE(first->view()->grab().toImage(), before);

    first->close();  // a closed preview is opened anew
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_NE(printDiary(tp.platform, kDay), nullptr);
    closeReportPreviews();  // at log-out
    EXPECT_TRUE(DataEnvironment::instance().DataDiaryReport().preview.isNull());
}
