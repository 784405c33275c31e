#include "backup/BackupFixture.h"
#include "backup/Compactor.h"
#include "data/Statement.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <vector>

namespace vemora::test {
namespace {

// Organizers started while the tool compacts wait for it, then write to the file that is in
// place: no acknowledged write is lost.
TEST_F(BackupFixture, OrganizersStartedAtEveryStepOfACompactionLoseNoWrite) {
    VEMORA_SKIP_ON_SERVER("compaction of the file itself");
    const QString organizer =
        QCoreApplication::applicationDirPath() + QStringLiteral("/race_organizer");
    std::vector<std::unique_ptr<QProcess>> started;
    QStringList names;

    Compactor compactor(connectionString());
    compactor.setStepHook([&](CompactStep, const QString&) {
        auto child = std::make_unique<QProcess>();
        const QString name = QStringLiteral("Racer %1").arg(names.size());
        child->start(organizer, {tp.database.directory(), name});
        ASSERT_TRUE(child->waitForStarted(10000));
        // It has met the tool's lock and been told to wait, so it cannot have written.
        ASSERT_TRUE(child->waitForReadyRead(10000)) << name.toStdString();
        EXPECT_EQ(child->readLine().trimmed(), QByteArrayLiteral("asked"));
        names.append(name);
        started.push_back(std::move(child));
    });

    QTemporaryDir elsewhere;
    for (int run = 0; run < 4; ++run) {
        const CompactResult result =
            compactor.run(elsewhere.filePath(QStringLiteral("backup%1.mdb").arg(run)));
        ASSERT_TRUE(result.ok()) << result.detail.toStdString();
        for (auto& child : started) {
            ASSERT_TRUE(child->waitForFinished(30000));
            EXPECT_EQ(child->exitCode(), 0);
            EXPECT_TRUE(child->readAllStandardOutput().contains("ack"));
        }
        started.clear();
    }

    ASSERT_GE(names.size(), 20);
    const Recordset stored = tp.query(Statement("SELECT name FROM addressbook_tbl"));
    EXPECT_EQ(stored.rowCount(), names.size());
    for (int row = 0; row < stored.rowCount(); ++row)
        EXPECT_TRUE(names.contains(stored.row(row).first().toString()));
}

}  // namespace
}  // namespace vemora::test
