#include "core/DraftStore.h"
#include "core/Accounts.h"
#include "core/Clock.h"
#include "core/OptionStore.h"
#include "core/StoreFixture.h"
#include "data/Encoding.h"

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

class DraftStoreTest : public StoreTest {
protected:
    void TearDown() override { fixClock(std::nullopt); }
    qint64 addAccount(const QString& userName) {
        accounts.add({userName, *EncodePassword(u"pw"_s), userName}).value();
        return accounts.find(userName, u"pw"_s).value()->user_num.toLongLong();
    }

    AccountStore accounts{database};
    DraftStore drafts{database};
    OptionStore options{database};
};

TEST_F(DraftStoreTest, ADraftIsKeptAsTypedReplacedAndDiscardedForItsAuthorAlone) {
    const qint64 ann = addAccount(u"ann"_s);
    const qint64 bob = addAccount(u"bob"_s);
    database.DbRecordset().close();
    const QDateTime first(QDate(2026, 12, 9), QTime(14, 2));
    fixClock(first);
    const QStringList typed{u"it's \"late\"\nline two, 日本"_s, QString(), u"  "_s};
    ASSERT_TRUE(drafts.keep(ann, DraftKind::Planner, u"2026-12-09"_s, typed).ok());

    const std::optional<Draft> kept = drafts.load(ann, DraftKind::Planner, u"2026-12-09"_s).value();
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->texts, typed);
    EXPECT_EQ(kept->written, first);
    // Another user, another kind or another day has none.
    EXPECT_FALSE(drafts.load(bob, DraftKind::Planner, u"2026-12-09"_s).value());
    EXPECT_FALSE(drafts.load(ann, DraftKind::Diary, u"2026-12-09"_s).value());
    // Keys are letter for letter.
    ASSERT_TRUE(drafts.keep(ann, DraftKind::Word, u"Apple"_s, {u"a"_s}).ok());
    EXPECT_FALSE(drafts.load(ann, DraftKind::Word, u"apple"_s).value());

    fixClock(first.addSecs(60));
    ASSERT_TRUE(drafts.keep(ann, DraftKind::Planner, u"2026-12-09"_s, {u"newer"_s}).ok());
    EXPECT_EQ(count(u"drafts_tbl"_s), 2);
    const Draft newer = *drafts.load(ann, DraftKind::Planner, u"2026-12-09"_s).value();
    EXPECT_EQ(newer.texts, QStringList{u"newer"_s});
    EXPECT_EQ(newer.written, first.addSecs(60));
    EXPECT_EQ(drafts.keys(ann, DraftKind::Planner).value(), QStringList{u"2026-12-09"_s});

    ASSERT_TRUE(drafts.discard(ann, DraftKind::Planner, u"2026-12-09"_s).ok());
    EXPECT_FALSE(drafts.load(ann, DraftKind::Planner, u"2026-12-09"_s).value());
    // The shared recordset the windows read is left alone.
    EXPECT_FALSE(database.DbRecordset().isOpen());
}

TEST_F(DraftStoreTest, OptionsAreKeptPerAccountAndGoWithTheAccount) {
    const qint64 ann = addAccount(u"ann"_s);
    const qint64 bob = addAccount(u"bob"_s);
    ASSERT_TRUE(options.set(OptionStore::kEveryone, u"lock"_s, u"600"_s).ok());
    ASSERT_TRUE(options.set(ann, u"lock"_s, u"120"_s).ok());
    ASSERT_TRUE(options.set(ann, u"lock"_s, u"60"_s).ok());
    EXPECT_EQ(options.value(ann, u"lock"_s).value(), u"60"_s);
    EXPECT_EQ(options.value(OptionStore::kEveryone, u"lock"_s).value(), u"600"_s);
    EXPECT_FALSE(options.value(bob, u"lock"_s).value());
    ASSERT_TRUE(options.set(bob, u"lock"_s, u"30"_s).ok());
    ASSERT_TRUE(drafts.keep(ann, DraftKind::Diary, u"2026-12-09"_s, {u"x"_s}).ok());
    ASSERT_TRUE(drafts.keep(bob, DraftKind::Diary, u"2026-12-09"_s, {u"y"_s}).ok());

    ASSERT_EQ(accounts.remove(ann, u"ann"_s).value(), 1);
    EXPECT_FALSE(options.value(ann, u"lock"_s).value());
    EXPECT_FALSE(drafts.load(ann, DraftKind::Diary, u"2026-12-09"_s).value());
    EXPECT_EQ(options.value(bob, u"lock"_s).value(), u"30"_s);
    EXPECT_TRUE(drafts.load(bob, DraftKind::Diary, u"2026-12-09"_s).value());
    EXPECT_EQ(options.value(OptionStore::kEveryone, u"lock"_s).value(), u"600"_s);

    ASSERT_TRUE(options.clear(bob, u"lock"_s).ok());
    EXPECT_FALSE(options.value(bob, u"lock"_s).value());
}

}  // namespace
}  // namespace vemora::test
