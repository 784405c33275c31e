// View > Spelling Language: the installed dictionaries, each user's choice ticked.
#include <QMenu>

#include "ShellFixture.h"
#include "core/OptionStore.h"
#include "spelling/Spelling.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class SpellingMenu : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        env.platform.spelling = &spelling;
    }
    QStringList items(frmMain* main) {
        QStringList texts;
        for (QAction* item : child<QMenu>(main, "mnuSpellingLanguage")->actions())
            if (!item->isSeparator())
                texts.append(item->text() + (item->isChecked() ? u" *"_s : QString()));
        return texts;
    }

    Spelling spelling{env.session.database(), QStringLiteral(VEMORA_SPELLING_DATA)};
};

TEST_F(SpellingMenu, ListsTheInstalledDictionariesAndKeepsEachUsersChoice) {
    const int ann = env.addUser(u"ann"_s, u"pw"_s, u"Ann"_s);
    frmMain* main = logIn(u"admin"_s, u"admin"_s);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(items(main), (QStringList{u"&None"_s, u"xx_TEST [xx_TEST] *"_s}));

    trigger(main, "mnuLanguage_none");
    EXPECT_TRUE(spelling.language().isEmpty());
    EXPECT_EQ(
        OptionStore(env.session.database()).value(1, Spelling::kLanguageOption.toString()).value(),
        u"none"_s);

    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    EXPECT_TRUE(spelling.language().isEmpty());
    ASSERT_TRUE(env.session.OpenDatabase());
    main = logIn(u"ann"_s, u"pw"_s);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(spelling.language(), u"xx_TEST"_s);
    EXPECT_FALSE(OptionStore(env.session.database())
                     .value(ann, Spelling::kLanguageOption.toString())
                     .value());
    env.prompter.answer(Answer::Yes);
    trigger(main, "mnuLogout");
    ASSERT_TRUE(env.session.OpenDatabase());
    main = logIn(u"admin"_s, u"admin"_s);
    EXPECT_EQ(items(main), (QStringList{u"&None *"_s, u"xx_TEST [xx_TEST]"_s}));
}

}  // namespace
}  // namespace vemora::test
