// Spell checking in the diary, planner and dictionary boxes, with the small test dictionary.
#include "platform/SpellingBoxes.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

#include "core/OptionStore.h"
#include "spelling/Spelling.h"
#include "support/TestPlatform.h"
#include "workspace/diary/DiaryTab.h"
#include "workspace/dictionary/DictionaryTab.h"
#include "workspace/planner/PlannerTab.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

// The words of the box drawn with the misspelling underline.
QStringList underlined(const QPlainTextEdit* box) {
    QStringList found;
    for (QTextBlock block = box->document()->begin(); block.isValid(); block = block.next())
        for (const QTextLayout::FormatRange& range : block.layout()->formats())
            if (range.format.underlineStyle() == QTextCharFormat::WaveUnderline &&
                range.format.underlineColor() == QColor(Qt::red))
                found.append(block.text().mid(range.start, range.length));
    return found;
}

QAction* action(QMenu* menu, const QString& text) {
    for (QAction* item : menu->actions())
        if (item->text() == text) return item;
    return nullptr;
}

class SpellingBoxesTest : public ::testing::Test {
protected:
    void SetUp() override {
        tp.loginAs(1);
        other = tp.addUser(u"other"_s, u"pw"_s, u"Other"_s);
        ASSERT_TRUE(spelling.setUser(1).ok());
        tp.platform.spelling = &spelling;
    }

    TestPlatform tp;
    Spelling spelling{tp.session.database(), QStringLiteral(VEMORA_SPELLING_DATA)};
    int other = 0;
};

TEST_F(SpellingBoxesTest, EveryFreeTextBoxUnderlinesWhatTheDictionaryLacks) {
    DiaryTab diary(tp.platform);
    PlannerTab planner(tp.platform);
    DictionaryTab dictionary(tp.platform);
    for (const auto& [tab, name] : {std::pair<QWidget*, QString>{&diary, u"txtDiaryMsg"_s},
                                    {&planner, u"txtPlanAM"_s},
                                    {&planner, u"txtPlanPM"_s},
                                    {&planner, u"txtDailyQuote"_s},
                                    {&dictionary, u"txtDicDes"_s}}) {
        auto* box = tab->findChild<QPlainTextEdit*>(name);
        ASSERT_NE(box, nullptr) << name.toStdString();
        QSignalSpy changed(box, &QPlainTextEdit::textChanged);
        QTest::keyClicks(box, u"Hello wrold,"_s);
        box->appendPlainText(u"the diray 2nd"_s);
        EXPECT_EQ(underlined(box), (QStringList{u"wrold"_s, u"diray"_s})) << name.toStdString();
        // Checking again, as a new word or language does, is no change of the text.
        const int typed = changed.count();
        emit spelling.changed();
        EXPECT_EQ(changed.count(), typed) << name.toStdString();
        EXPECT_EQ(box->toPlainText(), u"Hello wrold,\nthe diray 2nd"_s);
    }
}

TEST_F(SpellingBoxesTest, ASuggestionReplacesTheWordAsTypingWouldAndStoresNothing) {
    DiaryTab diary(tp.platform);
    auto* box = diary.findChild<QPlainTextEdit*>(u"txtDiaryMsg"_s);
    QTest::keyClicks(box, u"the wrold morning"_s);
    const int rows = tp.count(u"diary_tbl"_s);
    QSignalSpy changed(box, &QPlainTextEdit::textChanged);

    const std::unique_ptr<QMenu> menu(spellingMenu(box, 6));
    QAction* world = action(menu.get(), u"world"_s);
    ASSERT_NE(world, nullptr);
    EXPECT_EQ(menu->actions().constFirst(), world);  // suggestions come first
    world->trigger();
    EXPECT_EQ(box->toPlainText(), u"the world morning"_s);
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(underlined(box).isEmpty());
    EXPECT_EQ(tp.count(u"diary_tbl"_s), rows);
    // One undo brings back what was typed.
    box->undo();
    EXPECT_EQ(box->toPlainText(), u"the wrold morning"_s);

    // A correct word gets the box's usual menu.
    const std::unique_ptr<QMenu> plain(spellingMenu(box, 1));
    EXPECT_EQ(action(plain.get(), u"Add to dictionary"_s), nullptr);
}

TEST_F(SpellingBoxesTest, AddToDictionaryHoldsForThisUserOnly) {
    PlannerTab planner(tp.platform);
    auto* box = planner.findChild<QPlainTextEdit*>(u"txtPlanAM"_s);
    QTest::keyClicks(box, u"Vemora morning"_s);
    EXPECT_EQ(underlined(box), QStringList{u"Vemora"_s});

    const std::unique_ptr<QMenu> menu(spellingMenu(box, 2));
    QAction* add = action(menu.get(), u"Add to dictionary"_s);
    ASSERT_NE(add, nullptr);
    add->trigger();
    EXPECT_TRUE(underlined(box).isEmpty());
    EXPECT_EQ(box->toPlainText(), u"Vemora morning"_s);
    EXPECT_TRUE(tp.prompter.shown().isEmpty());
    EXPECT_EQ(
        OptionStore(tp.session.database()).value(1, Spelling::kWordsOption.toString()).value(),
        u"Vemora"_s);

    // The next user's boxes underline it again.
    ASSERT_TRUE(spelling.setUser(other).ok());
    EXPECT_EQ(underlined(box), QStringList{u"Vemora"_s});
}

TEST_F(SpellingBoxesTest, WithoutADictionaryNothingIsUnderlinedOrOffered) {
    QTemporaryDir empty;
    Spelling none(tp.session.database(), empty.path());
    ASSERT_TRUE(none.setUser(1).ok());
    tp.platform.spelling = &none;
    DiaryTab diary(tp.platform);
    auto* box = diary.findChild<QPlainTextEdit*>(u"txtDiaryMsg"_s);
    QTest::keyClicks(box, u"qzxw wrold"_s);
    EXPECT_TRUE(underlined(box).isEmpty());
    const std::unique_ptr<QMenu> menu(spellingMenu(box, 2));
    EXPECT_EQ(action(menu.get(), u"Add to dictionary"_s), nullptr);
    EXPECT_TRUE(tp.prompter.shown().isEmpty());
}

}  // namespace
}  // namespace vemora::test
