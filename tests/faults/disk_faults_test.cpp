// Every write of the organizer on a disk that fills up or fails to sync, at every point.
#include "data/Statement.h"
#include "support/FaultyDisk.h"
#include "support/TestPlatform.h"
#include "support/WritePaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

class DiskFaultTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        VEMORA_SKIP_ON_SERVER("the faults are those of the file's own writes");
        faulty_disk::install();
        fresh();
    }
    // A new organizer over a newly delivered database.
    void fresh() {
        desk.reset();
        database = std::make_unique<TempDatabase>();
        desk = std::make_unique<Desk>(database->directory());
    }
    void TearDown() override { faulty_disk::disarm(); }

    const WritePath& path() const { return writePaths().at(GetParam()); }
    void prepare() {
        path().prepare(*desk, u"7"_s);
        desk->prompter.forget();
    }

    // After a failed write: not reported as done, the cause named, nothing changed, the file
    // sound and the connection still there for the next statement.
    void expectRefused(const QStringList& before, const QString& cause, const std::string& where) {
        faulty_disk::disarm();
        SCOPED_TRACE(where);
        EXPECT_FALSE(reportedDone(*desk, path()));
        const auto& shown = desk->prompter.shown();
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [&](const auto& s) {
            return s.text.contains(cause);
        })) << (shown.isEmpty() ? std::string("nothing shown") : shown.last().text.toStdString());
        EXPECT_EQ(desk->snapshot(), before);
        EXPECT_EQ(desk->integrity(), u"ok"_s);
        EXPECT_TRUE(desk->session.execute(Statement("SELECT COUNT(*) FROM users")).ok());
    }

    std::unique_ptr<TempDatabase> database;
    std::unique_ptr<Desk> desk;
};

TEST_P(DiskFaultTest, FullDiskAndFailedSyncAreReportedAndChangeNothing) {
    // The write once on a sound disk, counting what it writes and syncs.
    prepare();
    const QStringList before = desk->snapshot();
    faulty_disk::disarm();
    path().act(*desk, u"7"_s);
    const std::int64_t written = faulty_disk::bytesWritten();
    const int syncs = faulty_disk::syncs();
    ASSERT_TRUE(reportedDone(*desk, path()));
    ASSERT_TRUE(path().stored(desk->directory, u"7"_s));
    if (written == 0) GTEST_SKIP() << "writes no database";  // the playlist: a file of its own
    ASSERT_GT(syncs, 0);

    // From the same start on a second database, every failure point.
    fresh();
    prepare();
    ASSERT_EQ(desk->snapshot(), before);

    const std::int64_t step = std::max<std::int64_t>(1, written / 40);
    for (std::int64_t limit = 0; limit < written; limit += step) {
        prepare();
        faulty_disk::failWritesAfter(limit);
        path().act(*desk, u"7"_s);
        expectRefused(before, u"database or disk is full"_s, "full after " + std::to_string(limit));
    }
    for (int sync = 1; sync <= syncs; ++sync) {
        prepare();
        faulty_disk::failSyncFrom(sync);
        path().act(*desk, u"7"_s);
        expectRefused(before, u"disk I/O error"_s, "sync " + std::to_string(sync) + " fails");
    }

    std::cout << "disk " << path().name << ": " << (written + step - 1) / step
              << " full-disk points, " << syncs << " failed-sync points\n";

    // The same window and connection then store it.
    prepare();
    path().act(*desk, u"7"_s);
    EXPECT_TRUE(reportedDone(*desk, path()));
    EXPECT_TRUE(path().stored(desk->directory, u"7"_s));
}

INSTANTIATE_TEST_SUITE_P(EveryWrite, DiskFaultTest, ::testing::Range(0, int(writePaths().size())),
                         [](const auto& info) {
                             std::string name = writePaths().at(info.param).name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

}  // namespace
}  // namespace vemora::test
