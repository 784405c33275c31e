#include "data/DataControl.h"
#include "data/ConnectionString.h"
#include "data/SqliteEngine.h"

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <QTemporaryDir>

using namespace vemora;

namespace {

class DataControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SqliteEngine::createDatabase(dir.filePath(QStringLiteral("journey.mdb"))).ok());
        writer.setConnectionString(makeConnectionString(dir.path()));
        ASSERT_TRUE(writer.open().ok());
        for (const char* w : {"apple", "Banana", "band", "bank", "cherry"})
            ASSERT_TRUE(writer
                            .execute(Statement("INSERT INTO dictionary_tbl VALUES (1, ")
                                         .text(QString::fromLatin1(w))
                                         .sql(", 'd')"))
                            .ok());
        control.setConnectionString(makeConnectionString(dir.path()));
        control.setRecordSource(Statement("SELECT * FROM dictionary_tbl ORDER BY dict_name"));
    }
    QTemporaryDir dir;
    Connection writer;
    DataControl control;
};

}  // namespace

TEST_F(DataControlTest, FindForwardStopsOnTheFirstMatchInRowOrder) {
    ASSERT_TRUE(control.refresh().ok());
    ASSERT_EQ(control.rowCount(), 5);
    control.moveFirst();
    ASSERT_TRUE(control.findForward(u"dict_name", QStringLiteral("ban")).ok());
    EXPECT_EQ(control.field(u"dict_name").toString(), QStringLiteral("Banana"));
    // From the current row on, that row included.
    ASSERT_TRUE(control.findForward(u"dict_name", QStringLiteral("bank")).ok());
    EXPECT_EQ(control.currentRow(), 3);
    ASSERT_TRUE(control.findForward(u"dict_name", QStringLiteral("apple")).ok());
    EXPECT_TRUE(control.eof());
    EXPECT_FALSE(control.field(u"dict_name").isValid());
}

TEST_F(DataControlTest, ApostropheOrNoRowsFindNothingWithoutEndingTheProgram) {
    ASSERT_TRUE(control.refresh().ok());
    control.moveFirst();
    EXPECT_FALSE(control.findForward(u"dict_name", QStringLiteral("b'")).ok());
    EXPECT_TRUE(control.eof());

    ASSERT_TRUE(writer.execute(Statement("DELETE FROM dictionary_tbl")).ok());
    ASSERT_TRUE(control.refresh().ok());
    control.moveFirst();
    EXPECT_FALSE(control.findForward(u"dict_name", QStringLiteral("a")).ok());
    EXPECT_TRUE(control.eof());
}

TEST_F(DataControlTest, RefreshSeesOtherConnectionsAndResetsTheModel) {
    DataControlModel model(&control,
                           {{QStringLiteral("dict_name"), QStringLiteral("Word")},
                            {QStringLiteral("dict_description"), QStringLiteral("Description ")}});
    ASSERT_TRUE(control.refresh().ok());
    EXPECT_EQ(model.rowCount(), 5);
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Description "));
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("apple"));

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    ASSERT_TRUE(
        writer.execute(Statement("INSERT INTO dictionary_tbl VALUES (2, 'aaa', 'x')")).ok());
    ASSERT_TRUE(control.refresh().ok());
    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(model.index(0, 0).data().toString(), QStringLiteral("aaa"));
    EXPECT_EQ(control.currentRow(), 0);
}

TEST_F(DataControlTest, AFailedRefreshLeavesNoStaleRows) {
    ASSERT_TRUE(control.refresh().ok());
    control.setRecordSource(Statement("SELECT * FROM no_such_table"));
    EXPECT_FALSE(control.refresh().ok());
    EXPECT_EQ(control.rowCount(), 0);
    EXPECT_TRUE(control.eof());
}

TEST_F(DataControlTest, ABackgroundReadHoldsWhatARefreshHolds) {
    QSignalSpy replaced(&control, &DataControl::rowsReplaced);
    control.startRefresh();
    ASSERT_TRUE(control.finishRefresh().ok());
    EXPECT_EQ(replaced.count(), 1);
    ASSERT_EQ(control.rowCount(), 5);
    EXPECT_EQ(control.currentRow(), 0);
    EXPECT_EQ(control.field(u"dict_name").toString(), QStringLiteral("apple"));

    // Finishing a read never started reads now.
    ASSERT_TRUE(
        writer.execute(Statement("INSERT INTO dictionary_tbl VALUES (2, 'aaa', 'x')")).ok());
    ASSERT_TRUE(control.finishRefresh().ok());
    EXPECT_EQ(control.rowCount(), 6);

    // A failed read says so and holds no rows.
    const Statement listing = control.recordSource();
    control.setRecordSource(Statement("SELECT * FROM no_such_table"));
    control.startRefresh();
    EXPECT_FALSE(control.finishRefresh().ok());
    EXPECT_EQ(control.rowCount(), 0);

    // A refresh in between drops the started read.
    control.startRefresh();
    control.setRecordSource(listing);
    ASSERT_TRUE(control.refresh().ok());
    EXPECT_EQ(control.rowCount(), 6);
    ASSERT_TRUE(control.finishRefresh().ok());
    EXPECT_EQ(control.rowCount(), 6);
}

// The list shares the grid's texts; a patch of the grid must not show through.
TEST_F(DataControlTest, AListOfAHeldColumnKeepsItsValuesWhenTheRowsChange) {
    ASSERT_TRUE(control.refresh().ok());
    const Recordset& rows = control.recordset();
    ColumnListModel list(rows.values(rows.columnIndex(u"dict_name")));
    control.beginChange(writer);
    ASSERT_TRUE(
        writer.execute(Statement("INSERT INTO dictionary_tbl VALUES (2, 'Bamboo', 'x')")).ok());
    const DataControl::RowsChange change{
        {{{QStringLiteral("dict_name")}, {QStringLiteral("Bamboo")}, false}},
        Statement("SELECT *, 0 FROM dictionary_tbl WHERE dict_name = 'Bamboo' COLLATE NOCASE"),
        QStringLiteral("dict_name")};
    ASSERT_TRUE(control.refreshAfter(writer, change).ok());
    ASSERT_TRUE(control.patched());
    ASSERT_EQ(control.rowCount(), 6);
    EXPECT_EQ(rows.value(1, rows.columnIndex(u"dict_name")).toString(), QStringLiteral("Bamboo"));
    QStringList listed;
    for (int row = 0; row < list.rowCount(); ++row)
        listed.append(list.index(row).data().toString());
    EXPECT_EQ(listed, (QStringList{QStringLiteral("apple"), QStringLiteral("Banana"),
                                   QStringLiteral("band"), QStringLiteral("bank"),
                                   QStringLiteral("cherry")}));
}

TEST_F(DataControlTest, ColumnListModelListsOneColumnOfTheRowsItHolds) {
    auto rows =
        writer.execute(Statement("SELECT dict_name FROM dictionary_tbl ORDER BY dict_name"));
    ASSERT_TRUE(rows.ok());
    ColumnListModel list(rows.value().values(0));
    ASSERT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.index(1).data().toString(), QStringLiteral("Banana"));
    EXPECT_EQ(list.index(4).data(Qt::EditRole).toString(), QStringLiteral("cherry"));
    EXPECT_FALSE(list.index(0).data(Qt::DecorationRole).isValid());
    EXPECT_EQ(list.rowCount(list.index(0)), 0);
}
