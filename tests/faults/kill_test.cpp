// SIGKILL at random moments while the organizer writes: after each kill the file is sound,
// every write the window reported done is there, and no change is half made.
// VEMORA_KILL_COUNT sets the kills of each of the five batches.
// And while a user types into the diary: every draft reported written comes back in the window
// (VEMORA_TYPING_KILL_COUNT kills).
#include "Typing.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"
#include "support/WritePaths.h"
#include "workspace/frmTags.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QProcess>

#include <algorithm>
#include <iostream>
#include <random>
#include <thread>

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

// For each path, the last write the child reported done and those it started after it: any
// of them may be what the file holds, one the newer the later.
struct Progress {
    QList<QList<qint64>> candidates = QList<QList<qint64>>(writePaths().size());
    QList<qint64> done = QList<qint64>(writePaths().size(), -1);
    QList<int> reportedByPath = QList<int>(writePaths().size(), 0);
    int reported = 0;
};

void take(const QByteArray& output, Progress& progress) {
    for (const QByteArray& line : output.split('\n')) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() != 3) continue;
        const int path = parts.at(1).toInt();
        const qint64 token = parts.at(2).toLongLong();
        if (parts.at(0) == "S") progress.candidates[path].append(token);
        if (parts.at(0) == "D") {
            progress.candidates[path] = {token};
            progress.done[path] = token;
            ++progress.reportedByPath[path];
            ++progress.reported;
        }
    }
}

// Starts a child program of the rehearsals, its errors passed on.
void startChild(QProcess& child, const QString& program, const QStringList& arguments) {
    child.setProgram(program);
    child.setArguments(arguments);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The offscreen platform warns about every window shown.
    environment.insert(u"QT_LOGGING_RULES"_s, u"default.warning=false"_s);
    child.setProcessEnvironment(environment);
    child.start();
}

class KillTest : public ::testing::TestWithParam<int> {};

TEST_P(KillTest, EveryReportedWriteSurvivesAndNoneIsHalfMade) {
    VEMORA_SKIP_ON_SERVER("kills the file's writer half-way; a server keeps its own journal");
    const int kills = qEnvironmentVariableIsSet("VEMORA_KILL_COUNT")
                          ? qEnvironmentVariableIntValue("VEMORA_KILL_COUNT")
                          : 20;
    std::mt19937 random(unsigned(GetParam()) + 1);
    TempDatabase database;
    const QString dir = database.directory();
    const QString helper = QCoreApplication::applicationDirPath() + u"/vemora_write_loop"_s;
    Progress progress;
    int corrupt = 0, lost = 0, halfMade = 0;
    for (int kill = 0; kill < kills; ++kill) {
        QProcess child;
        // Each run's tokens start a thousand past the last run's, and it starts with a random
        // path, so that every path gets killed.
        startChild(child, helper,
                   {dir, QString::number((qint64(GetParam()) * 10000 + kill) * 1000),
                    QString::number(random() % writePaths().size())});
        ASSERT_TRUE(child.waitForStarted());
        // Past a random number of reported writes, then a random moment within the next.
        const int goal = progress.reported + int(random() % 4);
        QByteArray output;
        while (progress.reported < goal && child.waitForReadyRead(30000)) {
            output += child.readAllStandardOutput();
            const qsizetype end = output.lastIndexOf('\n') + 1;
            take(output.left(end), progress);
            output.remove(0, end);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 20000));
        child.kill();
        child.waitForFinished();
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the writer ended by itself";
        take(output + child.readAllStandardOutput(), progress);

        const QString verdict = firstRow(dir, "PRAGMA integrity_check");
        if (verdict != u"ok"_s) ++corrupt;
        EXPECT_EQ(verdict, u"ok"_s) << "kill " << kill;
        for (qsizetype i = 0; i < writePaths().size(); ++i) {
            const WritePath& path = writePaths().at(i);
            if (progress.done[i] < 0) continue;
            // A write started later may have replaced what the reported one stored.
            const auto& candidates = progress.candidates[i];
            const bool there = std::any_of(candidates.begin(), candidates.end(), [&](qint64 t) {
                return path.stored(dir, QString::number(t));
            });
            if (!there) ++lost;
            EXPECT_TRUE(there) << path.name << " " << progress.done[i] << " lost at kill " << kill;
        }
        const int mixed = halfMadeRows(dir);
        halfMade += mixed;
        EXPECT_EQ(mixed, 0) << "kill " << kill;
    }
    std::cout << "kills " << kills << ", writes reported done " << progress.reported
              << ", corrupt files " << corrupt << ", lost writes " << lost << ", half-made changes "
              << halfMade << "\nreported done by path:";
    for (qsizetype i = 0; i < writePaths().size(); ++i)
        std::cout << ' ' << writePaths().at(i).name << ' ' << progress.reportedByPath[i] << ',';
    std::cout << '\n';
}

INSTANTIATE_TEST_SUITE_P(Batch, KillTest, ::testing::Range(0, 5));

// The diary's text as the window offers it back on the typing day, restored; empty when it
// offers nothing.
QString restoredDraft(const QString& directory) {
    Desk desk(directory);
    desk.prompter.answer(Answer::Yes);
    desk.workspace->showDay(kTypingDay, SearchPlace::Diary);
    return Desk::find<QPlainTextEdit>(desk.workspace.get(), "txtDiaryMsg")->toPlainText();
}

// On a server too: drafts follow their user there.
TEST(KillWhileTyping, EveryDraftReportedWrittenComesBack) {
    const int kills = qEnvironmentVariableIsSet("VEMORA_TYPING_KILL_COUNT")
                          ? qEnvironmentVariableIntValue("VEMORA_TYPING_KILL_COUNT")
                          : 4;
    std::mt19937 random(7);
    TempDatabase database;
    const QString dir = database.directory();
    // The last draft reported written and the texts typed after it: any may be the draft.
    QList<qint64> candidates;
    int reported = 0, lost = 0;
    const auto take = [&](const QByteArray& output) {
        for (const QByteArray& line : output.split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() != 2) continue;
            const qint64 token = parts.at(1).toLongLong();
            if (parts.at(0) == "S") candidates.append(token);
            if (parts.at(0) == "D") {
                candidates = {token};
                ++reported;
            }
        }
    };
    for (int kill = 0; kill < kills; ++kill) {
        QProcess child;
        startChild(child, QCoreApplication::applicationDirPath() + u"/vemora_type_loop"_s,
                   {dir, QString::number(qint64(kill + 1) * 1000000)});
        ASSERT_TRUE(child.waitForStarted());
        const int goal = reported + 1 + int(random() % 4);
        QByteArray output;
        while (reported < goal && child.waitForReadyRead(30000)) {
            output += child.readAllStandardOutput();
            const qsizetype end = output.lastIndexOf('\n') + 1;
            take(output.left(end));
            output.remove(0, end);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 5000));
        child.kill();
        child.waitForFinished();
        ASSERT_EQ(child.exitStatus(), QProcess::CrashExit) << "the typist ended by itself";
        take(output + child.readAllStandardOutput());

        if (!testServer()) {
            ASSERT_EQ(firstRow(dir, "PRAGMA integrity_check"), u"ok"_s) << "kill " << kill;
        }
        if (candidates.isEmpty()) continue;
        const QString back = restoredDraft(dir);
        const bool there = std::any_of(candidates.begin(), candidates.end(),
                                       [&](qint64 t) { return back == QString::number(t); });
        if (!there) ++lost;
        EXPECT_TRUE(there) << "kill " << kill << ": came back \"" << back.toStdString()
                           << "\", typed " << candidates.first() << " and after";
    }
    std::cout << "typing kills " << kills << ", drafts reported written " << reported
              << ", lost drafts " << lost << '\n';
    EXPECT_GT(reported, 0);
}

}  // namespace
}  // namespace vemora::test
