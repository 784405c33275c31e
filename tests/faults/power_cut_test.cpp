// Power cuts at random moments of the file's writes, compaction and restore included: what was
// not synced is lost (or, in the second mode, any part of it reached the disk in any order).
// After each cut the file is sound, every write reported done is there and none is half made.
// VEMORA_POWER_CUT_COUNT sets the cuts of each mode.
#include "backup/Compactor.h"
#include "backup/Restorer.h"
#include "data/ConnectionString.h"
#include "data/Statement.h"
#include "support/FaultyDisk.h"
#include "support/TestPlatform.h"
#include "support/WritePaths.h"

#include <gtest/gtest.h>

#include <QDir>

#include <algorithm>
#include <iostream>
#include <random>

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;
using faulty_disk::Cut;

// The maintenance tool's writes, run with no organizer open: both leave every row as it was.
enum class ToolWrite { Compaction, Restore };

// Whether the tool reported the write done. A restore brings back a backup taken just before.
bool runTool(ToolWrite write, const QString& directory, int cut, std::int64_t cutAt) {
    const QString connection = makeConnectionString(directory);
    const QString copy = QDir(directory).filePath(u"copy-%1.mdb"_s.arg(cut));
    if (write == ToolWrite::Restore && !Compactor(connection).backup(copy).ok()) return false;
    faulty_disk::cutPowerAt(cutAt);
    return write == ToolWrite::Compaction ? Compactor(connection).run(copy).ok()
                                          : Restorer(connection).run(copy).ok();
}

class PowerCutTest : public ::testing::TestWithParam<Cut> {};

TEST_P(PowerCutTest, EveryReportedWriteSurvivesAndNoneIsHalfMade) {
    VEMORA_SKIP_ON_SERVER("cuts the power under the file; a server keeps its own journal");
    faulty_disk::install();
    const int cuts = qEnvironmentVariableIsSet("VEMORA_POWER_CUT_COUNT")
                         ? qEnvironmentVariableIntValue("VEMORA_POWER_CUT_COUNT")
                         : 25;
    std::mt19937 random(GetParam() == Cut::Unsynced ? 1 : 2);
    TempDatabase database(TempDatabase::Kind::File);
    const QString dir = database.directory();
    // The organizer's writes to the database (the playlist is a file of its own), then the
    // tool's two.
    QList<int> paths;
    for (int i = 0; i < writePaths().size(); ++i)
        if (QLatin1String(writePaths().at(i).name) != "playlist save"_L1) paths.append(i);
    const int toolPaths = 2;
    // For each path, the last write reported done and those started after it (see KillTest).
    QList<QList<qint64>> candidates(writePaths().size());
    QList<qint64> done(writePaths().size(), -1);
    int reported = 0, withinWrite = 0, corrupt = 0, lost = 0, halfMade = 0, dropped = 0;
    int toolReported = 0;
    for (int cut = 0; cut < cuts; ++cut) {
        const int choice = int(random() % unsigned(paths.size() + toolPaths));
        // A change of a few pages is a few dozen writes, syncs and deletions.
        const std::int64_t cutAt = 1 + std::int64_t(random() % 60);
        const qint64 token = qint64(cut + 1) * 10 + (GetParam() == Cut::Unsynced ? 1 : 2);
        const QString text = QString::number(token);
        bool reportedDoneNow = false;
        if (choice < paths.size()) {
            const int index = paths.at(choice);
            const WritePath& path = writePaths().at(index);
            Desk desk(dir);
            path.prepare(desk, text);
            desk.prompter.forget();
            faulty_disk::cutPowerAt(cutAt);
            candidates[index].append(token);
            path.act(desk, text);
            reportedDoneNow = !faulty_disk::powerIsOut() && reportedDone(desk, path);
            // Reported with the power still on: it was synced; cut now, before the windows
            // close.
            if (!faulty_disk::powerIsOut())
                faulty_disk::cutPowerNow();
            else
                ++withinWrite;
            if (reportedDoneNow) {
                candidates[index] = {token};
                done[index] = token;
                ++reported;
            }
        } else {
            const auto write = choice == paths.size() ? ToolWrite::Compaction : ToolWrite::Restore;
            reportedDoneNow = runTool(write, dir, cut, cutAt) && !faulty_disk::powerIsOut();
            if (!faulty_disk::powerIsOut())
                faulty_disk::cutPowerNow();
            else
                ++withinWrite;
            toolReported += reportedDoneNow;
        }
        dropped += faulty_disk::restorePower(GetParam(), unsigned(random()));

        const QString verdict = firstRow(dir, "PRAGMA integrity_check");
        if (verdict != u"ok"_s) ++corrupt;
        EXPECT_EQ(verdict, u"ok"_s) << "cut " << cut;
        for (qsizetype i = 0; i < writePaths().size(); ++i) {
            if (done[i] < 0) continue;
            const WritePath& path = writePaths().at(i);
            const bool there =
                std::any_of(candidates[i].begin(), candidates[i].end(),
                            [&](qint64 t) { return path.stored(dir, QString::number(t)); });
            if (!there) ++lost;
            EXPECT_TRUE(there) << path.name << " " << done[i] << " lost at cut " << cut;
        }
        const int mixed = halfMadeRows(dir);
        halfMade += mixed;
        EXPECT_EQ(mixed, 0) << "cut " << cut;
    }
    std::cout << "power cuts " << cuts << " ("
              << (GetParam() == Cut::Unsynced ? "unsynced lost" : "unsynced partly kept")
              << "), within a write " << withinWrite << ", writes reported done " << reported
              << ", tool writes reported done " << toolReported << ", unsynced changes dropped "
              << dropped << ", corrupt files " << corrupt << ", lost writes " << lost
              << ", half-made changes " << halfMade << '\n';
}

INSTANTIATE_TEST_SUITE_P(Mode, PowerCutTest, ::testing::Values(Cut::Unsynced, Cut::Some),
                         [](const auto& info) {
                             return std::string(info.param == Cut::Unsynced ? "UnsyncedLost"
                                                                            : "AnyPartKept");
                         });

}  // namespace
}  // namespace vemora::test
