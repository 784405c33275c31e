#include "core/LockSettings.h"
#include "StoreFixture.h"
#include "core/OptionStore.h"
#include "core/UnlockAttempts.h"

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace vemora::test {
namespace {

class LockSettingsTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        ann = files.addUser(u"ann"_s, u"pw"_s, u"Ann Lee"_s);
    }
    LockDelays read(qint64 user) {
        const Result<LockDelays> delays = settings.read(user);
        EXPECT_TRUE(delays.ok());
        return delays ? delays.value() : LockDelays{};
    }

    LockSettings settings{database};
    OptionStore options{database};
    int ann = 0;
};

TEST_F(LockSettingsTest, EveryoneGetsTheAdministratorsDelayAndAUserOnlyAShorterOne) {
    // Nothing stored: ten minutes.
    EXPECT_EQ(read(ann).effective(), 10);
    ASSERT_TRUE(settings.setEveryone(20).ok());
    ASSERT_TRUE(settings.setOwn(ann, 5).ok());
    EXPECT_EQ(read(ann).everyone, 20);
    EXPECT_EQ(read(ann).effective(), 5);
    EXPECT_EQ(read(kAdministratorNumber).effective(), 20);
    EXPECT_EQ(options.value(OptionStore::kEveryone, kLockDelayOption).value(), u"20"_s);
    EXPECT_EQ(options.value(ann, kLockDelayOption).value(), u"5"_s);

    const Status longer = settings.setOwn(ann, 21);
    ASSERT_FALSE(longer.ok());
    EXPECT_EQ(longer.error().description,
              u"Your delay cannot be longer than the one for everyone (20 minutes)."_s);
    EXPECT_EQ(read(ann).own, 5);
    EXPECT_FALSE(settings.setOwn(ann, 0).ok());
    EXPECT_FALSE(settings.setEveryone(-1).ok());
    EXPECT_FALSE(settings.setEveryone(LockSettings::kLongestMinutes + 1).ok());

    // Everyone's delay shortened later: the shorter one applies.
    ASSERT_TRUE(settings.setEveryone(3).ok());
    EXPECT_EQ(read(ann).effective(), 3);
    // The lock off for everyone: a user's own delay still locks their session.
    ASSERT_TRUE(settings.setEveryone(0).ok());
    EXPECT_EQ(read(ann).effective(), 5);
    EXPECT_EQ(read(kAdministratorNumber).effective(), 0);
    ASSERT_TRUE(settings.setOwn(ann, 300).ok());
    ASSERT_TRUE(settings.setOwn(ann, std::nullopt).ok());
    EXPECT_FALSE(read(ann).own.has_value());
    EXPECT_EQ(read(ann).effective(), 0);
}

TEST_F(LockSettingsTest, AStoredValueThatIsNoDelayNeverTurnsTheLockOff) {
    for (const QString& damaged : {u"off"_s, u""_s, u"-5"_s, u"99999"_s}) {
        ASSERT_TRUE(options.set(OptionStore::kEveryone, kLockDelayOption, damaged).ok());
        ASSERT_TRUE(options.set(ann, kLockDelayOption, damaged).ok());
        EXPECT_EQ(read(ann).effective(), LockSettings::kDefaultMinutes) << qPrintable(damaged);
    }
}

TEST(UnlockAttempts, ThreeFreeAttemptsThenAWaitThatDoublesUpToHalfAMinute) {
    UnlockAttempts attempts;
    std::vector<std::chrono::seconds> waits;
    for (int i = 0; i < 40; ++i) {
        attempts.failed();
        waits.push_back(attempts.wait());
    }
    EXPECT_EQ(std::vector(waits.begin(), waits.begin() + 9),
              (std::vector<std::chrono::seconds>{0s, 0s, 1s, 2s, 4s, 8s, 16s, 30s, 30s}));
    EXPECT_EQ(waits.back(), 30s);
    attempts.reset();
    attempts.failed();
    EXPECT_EQ(attempts.wait(), 0s);
}

}  // namespace
}  // namespace vemora::test
