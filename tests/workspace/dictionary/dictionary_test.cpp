#include "data/DataControl.h"
#include "data/Statement.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportPreview.h"
#include "support/ExactText.h"
#include "support/TestPlatform.h"
#include "support/Words.h"
#include "workspace/dictionary/DictionaryTab.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

using namespace vemora;

namespace {

QString operator""_q(const char* text, size_t) {
    return QString::fromUtf8(text);
}

class DictionaryTabTest : public ::testing::Test {
protected:
    void SetUp() override {
        ann = env.addUser("ann"_q, "pw"_q, "Ann"_q);
        bob = env.addUser("bob"_q, "pw"_q, "Bob"_q);
        for (const QString& word : {"Banana"_q, "band"_q, "bank"_q})
            store(ann, word, "of "_q + word);
        store(1, "apple"_q, "red"_q);
    }

    void store(int user, const QString& word, const QString& description) {
        env.query(vemora::test::insertWord(user, word, description));
    }
    Recordset stored(const QString& word) { return env.query(vemora::test::selectWord(word)); }

    // What the workspace's load does for the tab.
    void open(int user) {
        env.loginAs(user);
        tab = std::make_unique<DictionaryTab>(env.platform);
        tab->ADO_Dictionary().setConnectionString(env.session.ConnectionString());
        tab->RefreshDictionaryGrid();
        Recordset words = env.query(
            Statement("SELECT dict_name FROM dictionary_tbl").caselessOrderBy(u"dict_name"));
        for (; !words.eof(); words.moveNext()) search()->addItem(words.text(u"dict_name"));
        tab->show();
    }

    template <class W = QWidget>
    W* get(const char* name) {
        return tab->findChild<W*>(QString::fromLatin1(name));
    }
    QComboBox* search() { return get<QComboBox>("cmboDicSearch"); }
    QTableView* grid() { return get<QTableView>("DataGridDic"); }
    QString text(const char* name) {
        if (auto* line = get<QLineEdit>(name)) return line->text();
        return get<QPlainTextEdit>(name)->toPlainText();
    }
    void edit(const QString& word, const QString& description) {
        get<QLineEdit>("txtDicWord")->setText(word);
        get<QPlainTextEdit>("txtDicDes")->setPlainText(description);
    }
    void type(const QString& keys) { QTest::keyClicks(search()->lineEdit(), keys); }
    void click(const char* button) {
        QTest::mouseClick(get<QAbstractButton>(button), Qt::LeftButton);
    }
    bool enabled(const char* button) { return get<QAbstractButton>(button)->isEnabled(); }
    void expectAddOnly() {
        EXPECT_TRUE(enabled("cmdAddDic"));
        EXPECT_FALSE(enabled("cmdSaveDic"));
    }

    test::TestPlatform env;
    std::unique_ptr<DictionaryTab> tab;
    int ann = 0;
    int bob = 0;
};

TEST_F(DictionaryTabTest, TypingMovesToTheFirstWordWithThatBeginning) {
    open(ann);
    type("b"_q);
    EXPECT_EQ(text("txtDicWord"), "Banana"_q);
    EXPECT_FALSE(enabled("cmdAddDic"));
    EXPECT_TRUE(enabled("cmdSaveDic"));
    EXPECT_EQ(grid()->currentIndex().row(), 1);

    type("ank"_q);
    EXPECT_EQ(text("txtDicWord"), "bank"_q);
    EXPECT_EQ(grid()->currentIndex().row(), tab->ADO_Dictionary().currentRow());

    // No word begins so: the boxes keep the last word, and only Add is offered.
    type("s"_q);
    EXPECT_EQ(text("txtDicWord"), "bank"_q);
    expectAddOnly();
    EXPECT_FALSE(grid()->selectionModel()->hasSelection());

    search()->clearEditText();
    expectAddOnly();
    type("   "_q);  // blanks trim to nothing: the first word
    EXPECT_EQ(text("txtDicWord"), "apple"_q);
    EXPECT_TRUE(enabled("cmdSaveDic"));
}

TEST_F(DictionaryTabTest, AnApostropheOrAnEmptyDictionaryFindsNothing) {
    open(ann);
    type("b'"_q);
    EXPECT_EQ(text("txtDicWord"), "Banana"_q);
    expectAddOnly();

    env.query(Statement("DELETE FROM dictionary_tbl"));
    tab->RefreshDictionaryGrid();
    search()->clearEditText();
    type("a"_q);
    expectAddOnly();
    EXPECT_EQ(grid()->model()->rowCount(), 0);
}

TEST_F(DictionaryTabTest, OnlyTheOwnerOrTheAdministratorSaves) {
    open(bob);
    grid()->setFocus();
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Down);
    QTest::keyClick(grid(), Qt::Key_Return);
    EXPECT_EQ(text("txtDicWordMem"), "band"_q);
    EXPECT_TRUE(enabled("cmdSaveDic"));
    edit("band"_q, "a group"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().title, "Sorry you can't edit this!"_q);
    EXPECT_EQ(env.prompter.last().style, vbExclamation);
    EXPECT_FALSE(enabled("cmdSaveDic"));
    EXPECT_EQ(stored("band"_q).text(u"dict_description"), "of band"_q);

    open(1);
    type("band"_q);
    edit("band"_q, " a group "_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().text, "The database has been updated"_q);
    Recordset band = stored("band"_q);
    EXPECT_EQ(band.field(u"user_num").toInt(), ann);
    EXPECT_EQ(band.text(u"dict_description"), "a group"_q);
    EXPECT_TRUE(text("txtDicWord").isEmpty() && text("txtDicDesMem").isEmpty());
    EXPECT_FALSE(enabled("cmdSaveDic"));
    EXPECT_FALSE(enabled("cmdAddDic"));  // the search text still matches
}

TEST_F(DictionaryTabTest, AfterTheServerEndedItsSessionsSavesAndAddsConnectAgain) {
    if (!env.database.server()) GTEST_SKIP() << "a server's connection";
    open(ann);
    type("bank"_q);
    edit("bank"_q, "a river edge"_q);
    env.endServerSessions();
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().text, "The database has been updated"_q);
    EXPECT_EQ(stored("bank"_q).text(u"dict_description"), "a river edge"_q);

    // An added word is stored once, never called taken.
    search()->lineEdit()->clear();
    type("kiwi"_q);
    ASSERT_TRUE(enabled("cmdAddDic"));
    edit("kiwi"_q, "green"_q);
    env.endServerSessions();
    env.prompter.clear();
    click("cmdAddDic");
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().text, "New word has been added!"_q);
    EXPECT_EQ(stored("kiwi"_q).text(u"dict_description"), "green"_q);
}

TEST_F(DictionaryTabTest, SaveStoresTheUneditedDescriptionAsLoadedUnlessChangedElsewhere) {
    store(ann, " kiwi"_q, "green\r\nfruit "_q);
    open(ann);
    const QModelIndex first = grid()->model()->index(0, 0);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(first).center());
    EXPECT_EQ(text("txtDicWordMem"), " kiwi"_q);
    get<QLineEdit>("txtDicWord")->setText("kiwi"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().title, "Successfuly Updated!"_q);
    // The box shows the line break otherwise; the text given to the store is the loaded one.
    EXPECT_EQ(stored("kiwi"_q).text(u"dict_description"), "green\r\nfruit"_q);

    // Changed elsewhere since it was loaded: nothing is overwritten, and the user is told.
    type("bank"_q);
    env.query(
        Statement("UPDATE dictionary_tbl SET dict_description = 'moved' WHERE dict_name = 'bank'"));
    edit("bank"_q, "money"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().title, "Not Updated!"_q);
    EXPECT_EQ(stored("bank"_q).text(u"dict_description"), "moved"_q);
    EXPECT_EQ(text("txtDicDes"), "money"_q);
}

TEST_F(DictionaryTabTest, AddedWordIsSearchableAtOnceButListedOnlyOnTheNextLoad) {
    open(bob);
    edit("Cherry's "_q, "it's red"_q);
    click("cmdAddDic");
    EXPECT_EQ(env.prompter.last().text, "New word has been added!"_q);
    Recordset cherry = stored("Cherry`s "_q);
    EXPECT_EQ(cherry.field(u"user_num").toInt(), bob);
    EXPECT_EQ(cherry.text(u"dict_description"), "it`s red"_q);
    EXPECT_TRUE(text("txtDicWord").isEmpty());

    type("ch"_q);
    EXPECT_EQ(text("txtDicWord"), "Cherry`s "_q);
    EXPECT_EQ(search()->count(), 4);
}

TEST_F(DictionaryTabTest, RefusedChangesLeaveTheTableAndTheBoxesAsTheyWere) {
    open(ann);
    edit("   "_q, "x"_q);
    click("cmdAddDic");
    EXPECT_EQ(env.prompter.last().title, "Incomplete!"_q);
    edit("BANK"_q, "x"_q);
    click("cmdAddDic");
    EXPECT_EQ(env.prompter.last().title, "Already Stored!"_q);

    type("band"_q);
    edit("Bank"_q, "x"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().title, "Already Stored!"_q);
    edit("band's"_q, "x"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().title, "Message Alert!"_q);
    EXPECT_EQ(env.prompter.last().style, vbExclamation);
    EXPECT_EQ(text("txtDicWord"), "band's"_q);

    edit("band"_q, "   "_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.count(), 5);
    EXPECT_EQ(env.prompter.last().title, "Incomplete!"_q);
    EXPECT_EQ(env.count("dictionary_tbl"_q), 4);
    EXPECT_EQ(stored("band"_q).text(u"dict_description"), "of band"_q);
}

TEST_F(DictionaryTabTest, PrintSelectsTheWordThatSaveFinds) {
    store(ann, " kiwi"_q, "\ngreen fruit\t"_q);
    store(ann, "pear"_q, "soft\r\nfruit"_q);
    open(ann);
    Report& report = DataEnvironment::instance().DataDictionary();
    const QModelIndex first = grid()->model()->index(0, 0);
    QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, grid()->visualRect(first).center());
    ASSERT_EQ(text("txtDicWordMem"), " kiwi"_q);
    click("cmdPrintDict");
    ASSERT_EQ(report.rows.rowCount(), 1);
    EXPECT_EQ(report.rows.text(u"dict_description"), "\ngreen fruit\t"_q);

    search()->setEditText("pear"_q);
    click("cmdPrintDict");
    ASSERT_EQ(report.rows.rowCount(), 1);
    EXPECT_EQ(report.rows.text(u"dict_name"), "pear"_q);
    // Changed only in letter case since it was loaded: Save would not find it, nor does Print.
    env.query(Statement("UPDATE dictionary_tbl SET dict_name = 'PEAR' WHERE dict_name = 'pear'"));
    click("cmdPrintDict");
    EXPECT_EQ(report.rows.rowCount(), 0);
    delete report.preview;
}

TEST_F(DictionaryTabTest, HalfACharacterIsNeitherTypedNorStored) {
    open(ann);
    auto* word = get<QLineEdit>("txtDicWord");
    word->setText(QString(29, u'w'));
    word->insert(test::kEmoji);  // one unit short of the limit: the character is not taken at all
    EXPECT_EQ(word->text(), QString(29, u'w'));

    edit("kiwi"_q, "green "_q + test::kHalfEmoji);
    click("cmdAddDic");
    EXPECT_EQ(env.prompter.last().text, test::cannotStore("Description"_q));
    EXPECT_EQ(env.count("dictionary_tbl"_q), 4);

    edit("kiwi "_q + test::kEmoji, "green"_q);
    click("cmdAddDic");
    EXPECT_EQ(stored("kiwi "_q + test::kEmoji).text(u"dict_description"), "green"_q);

    type("band"_q);
    edit(test::kHalfEmoji, "of band"_q);
    click("cmdSaveDic");
    EXPECT_EQ(env.prompter.last().text, test::cannotStore("Word"_q));
    EXPECT_EQ(stored("band"_q).text(u"dict_description"), "of band"_q);
}

}  // namespace
