#include "core/Accounts.h"
#include "core/Database.h"
#include "data/Encoding.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

// The account rules hold in the store, whichever window (or program) calls it.
class AccountStoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(database.open().ok()); }
    AccountFields fields(const QString& userName, const QString& password, const QString& name) {
        return {userName, *EncodePassword(password), name};
    }

    TempDatabase file;
    Database database{file.directory(), Database::Lock::Shared};
    AccountStore accounts{database};
};

TEST_F(AccountStoreTest, FindsByTrimmedNameInAnyCaseAndTheExactPassword) {
    ASSERT_EQ(accounts.add(fields(u"carla"_s, u"Secret 9"_s, u"Carla"_s)).value(), 1);
    const auto found = accounts.find(u"  CARLA "_s, u"Secret 9"_s);
    ASSERT_TRUE(found.ok() && found.value());
    EXPECT_EQ(found.value()->name.toString(), u"Carla"_s);
    EXPECT_FALSE(found.value()->isAdministrator());
    EXPECT_TRUE(database.SqlText().startsWith(u"Select user_num"_s));

    for (const QString& password : {u"Secret 9 "_s, u"secret 9"_s, u"Se'cret"_s, u"\u65E5"_s})
        EXPECT_FALSE(accounts.find(u"carla"_s, password).value()) << password.toStdString();
    EXPECT_FALSE(accounts.find(u"car'la"_s, u"Secret 9"_s).value());
    EXPECT_TRUE(accounts.find(u"admin"_s, u"admin"_s).value()->isAdministrator());
}

TEST_F(AccountStoreTest, AFailedQueryIsAnErrorNotANoMatch) {
    database.DbConnection().close();
    EXPECT_FALSE(accounts.find(u"admin"_s, u"admin"_s).ok());
}

TEST_F(AccountStoreTest, TheAdministratorKeepsItsAccountAndUserName) {
    EXPECT_FALSE(accounts.remove(kAdministratorNumber, u"admin"_s).ok());
    EXPECT_FALSE(accounts.remove(7, u" ADMIN "_s).ok());
    EXPECT_FALSE(accounts.save(kAdministratorNumber, fields(u"boss"_s, u"x"_s, u"B"_s)).ok());
    EXPECT_EQ(accounts.save(kAdministratorNumber, fields(u"admin"_s, u"new"_s, u"A"_s)).value(), 1);
    EXPECT_TRUE(accounts.find(u"admin"_s, u"new"_s).value());
    // The user's own change of password proves the old one first; it is not refused here.
    EXPECT_EQ(accounts.changeOwn(kAdministratorNumber, fields(u"admin"_s, u"n2"_s, u"A"_s)).value(),
              1);
}

TEST_F(AccountStoreTest, DeleteRemovesOnlyTheChosenAccountWhileItHasTheNameShown) {
    ASSERT_EQ(accounts.add(fields(u"ann"_s, u"a"_s, u"Ann"_s)).value(), 1);
    ASSERT_EQ(accounts.add(fields(u"bob"_s, u"b"_s, u"Bob"_s)).value(), 1);
    const qint64 ann = accounts.find(u"ann"_s, u"a"_s).value()->user_num.toLongLong();
    EXPECT_EQ(accounts.remove(ann, u"bob"_s).value(), 0);
    EXPECT_EQ(accounts.remove(ann, u" ann "_s).value(), 1);
    EXPECT_FALSE(accounts.find(u"ann"_s, u"a"_s).value());
    EXPECT_TRUE(accounts.find(u"bob"_s, u"b"_s).value());
    // A name used by another account in any letter case is the general error.
    const Result<int> again = accounts.add(fields(u"BOB"_s, u"c"_s, u"Other"_s));
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().number, kErrGeneral);
}

}  // namespace
}  // namespace vemora::test
