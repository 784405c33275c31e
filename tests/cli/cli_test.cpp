#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include "data/ConnectionString.h"
#include "data/DatabaseLock.h"
#include "data/SqliteEngine.h"
#include "data/Statement.h"
#include "support/Programs.h"
#include "support/TestPlatform.h"

namespace vemora::test {
namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        VEMORA_SKIP_ON_SERVER("vemora-cli on the file it is given; the server tests run it on one");
    }
    CliTest() {
        tp.query(Statement("INSERT INTO diary_tbl VALUES (1, '2001-02-03', 'kept')"));
        tp.addUser(QStringLiteral("ann"), QStringLiteral("annpw"), QStringLiteral("Ann"));
    }

    Outcome cli(QStringList arguments, const QByteArray& input = "admin\n") {
        arguments.prepend(tp.database.path());
        arguments.prepend(QStringLiteral("--database"));
        return runProgram(QStringLiteral(VEMORA_CLI), arguments, input);
    }
    QString write(const QString& name, const QByteArray& content,
                  QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner) {
        const QString path = elsewhere.filePath(name);
        writeFile(path, content, permissions);
        return path;
    }
    static QByteArray bytes(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    QString damagedCopy() {
        QByteArray content = bytes(tp.database.path());
        content.replace(content.size() / 2, 4096, QByteArray(4096, '\xA5'));
        return write(QStringLiteral("damaged.mdb"), content);
    }

    TestPlatform tp;
    QTemporaryDir elsewhere;
    QString backup = elsewhere.filePath(QStringLiteral("backup.mdb"));
};

TEST_F(CliTest, CheckReportsCountsOrWhyTheFileIsUnsound) {
    const Outcome sound = cli({QStringLiteral("check")});
    EXPECT_EQ(sound.code, 0) << sound.err.toStdString();
    EXPECT_TRUE(sound.out.contains(QStringLiteral("schema version %1\n").arg(kSchemaVersion)));
    EXPECT_TRUE(sound.out.contains(QStringLiteral("users 2\n")));
    EXPECT_TRUE(sound.out.contains(QStringLiteral("diary_tbl 1\n")));

    auto checkOf = [this](const QString& path) {
        QProcess process;
        process.start(QStringLiteral(VEMORA_CLI),
                      {QStringLiteral("--database"), path, QStringLiteral("check")});
        EXPECT_TRUE(process.waitForFinished(60000));
        return process.exitCode();
    };
    EXPECT_EQ(checkOf(damagedCopy()), 4);
    EXPECT_EQ(checkOf(write(QStringLiteral("text.mdb"), QByteArray(2048, 'x'))), 4);
    EXPECT_EQ(checkOf(elsewhere.filePath(QStringLiteral("missing.mdb"))), 5);
}

TEST_F(CliTest, UsageErrorsExitWithOne) {
    EXPECT_EQ(cli({}).code, 1);
    EXPECT_EQ(cli({QStringLiteral("compact")}).code, 1);
    EXPECT_EQ(cli({QStringLiteral("backup")}).code, 1);
    EXPECT_EQ(cli({QStringLiteral("--frobnicate"), QStringLiteral("check")}).code, 1);
    EXPECT_EQ(cli({QStringLiteral("--keep"), QStringLiteral("2"), QStringLiteral("check")}).code,
              1);
    // --keep wants a folder and a count.
    EXPECT_EQ(cli({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--keep"),
                   QStringLiteral("2"), QStringLiteral("backup"), backup})
                  .code,
              1);
    EXPECT_EQ(cli({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("--keep"),
                   QStringLiteral("none"), QStringLiteral("backup"), elsewhere.path()})
                  .code,
              1);
    EXPECT_EQ(cli({QStringLiteral("backup"), backup}).code, 1);  // no --user
    EXPECT_FALSE(QFile::exists(backup));
    const Outcome help = cli({QStringLiteral("--help")});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.out.contains(
        QStringLiteral("Exit codes: 0 success, 1 usage, 2 log-in refused, 3 database in use,\n"
                       "4 invalid or damaged file, 5 I/O failure.")));
}

TEST_F(CliTest, BackupNeedsTheAdministratorAndAPrivatePasswordFile) {
    const QStringList asAdmin = {QStringLiteral("--user"), QStringLiteral("ADMIN "),
                                 QStringLiteral("backup"), backup};
    EXPECT_EQ(cli(asAdmin, "wrong\n").code, 2);
    EXPECT_EQ(cli(asAdmin, "").code, 2);
    EXPECT_EQ(
        cli({QStringLiteral("--user"), QStringLiteral("ann"), QStringLiteral("backup"), backup},
            "annpw\n")
            .code,
        2);
    const QString shared = write(QStringLiteral("shared.pw"), "admin\n",
                                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    const QString group = write(QStringLiteral("group.pw"), "admin\n",
                                QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    for (const QString& file : {shared, group}) {
        const Outcome refused = cli(QStringList{QStringLiteral("--password-file"), file} + asAdmin);
        EXPECT_EQ(refused.code, 2);
        EXPECT_TRUE(refused.err.contains(QStringLiteral("can be read by other users")));
    }
    EXPECT_FALSE(QFile::exists(backup));

    const QByteArray before = bytes(tp.database.path());
    const QString own = write(QStringLiteral("own.pw"), "admin\n");
    const Outcome written = cli(QStringList{QStringLiteral("--password-file"), own} + asAdmin, "");
    EXPECT_EQ(written.code, 0) << written.err.toStdString();
    EXPECT_EQ(bytes(tp.database.path()), before);
    // The copy is a database the programs open, with the same rows.
    TempDatabase restored;
    ASSERT_TRUE(QFile::remove(restored.path()) && QFile::copy(backup, restored.path()));
    Connection copy;
    copy.setConnectionString(makeConnectionString(restored.directory()));
    ASSERT_TRUE(copy.open().ok());
    EXPECT_EQ(copy.execute(Statement("SELECT diary_message FROM diary_tbl")).value().row(0).first(),
              QStringLiteral("kept"));
}

TEST_F(CliTest, BackupRefusalsHaveTheirCodes) {
    const QStringList asAdmin = {QStringLiteral("--user"), QStringLiteral("admin"),
                                 QStringLiteral("backup")};
    {
        DatabaseLock organizer(tp.database.path());
        ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
        EXPECT_EQ(cli(asAdmin + QStringList{backup}).code, 3);
    }
    EXPECT_EQ(cli(asAdmin + QStringList{tp.database.path()}).code, 4);
    EXPECT_EQ(cli(asAdmin + QStringList{elsewhere.filePath(QStringLiteral("no/such.mdb"))}).code,
              5);
    EXPECT_FALSE(QFile::exists(backup));
}

TEST_F(CliTest, KeepDeletesOnlyTheOldestCopiesItWroteNeverTheNewest) {
    // Files the rotation did not write are left alone, whatever their names or dates say.
    const QStringList planted = {
        QStringLiteral("journey-1-2.mdb"), QStringLiteral("journey-20000101-000000.mdb"),
        QStringLiteral("journey-20990101-000000.mdb"), QStringLiteral("journey-notes.mdb")};
    for (const QString& name : planted) write(name, "old");

    const QStringList keepTwo = {QStringLiteral("--user"), QStringLiteral("admin"),
                                 QStringLiteral("--keep"), QStringLiteral("2"),
                                 QStringLiteral("backup"), elsewhere.path()};
    QStringList written;
    for (int run = 0; run < 3; ++run) {
        const Outcome kept = cli(keepTwo);
        ASSERT_EQ(kept.code, 0) << kept.err.toStdString();
        const qsizetype at = kept.out.indexOf(QStringLiteral("Wrote "));
        written.append(QFileInfo(kept.out.mid(at + 6).section(u'\n', 0, 0)).fileName());
    }
    // Three runs in one second still write three copies.
    ASSERT_EQ(QSet<QString>(written.begin(), written.end()).size(), 3);
    QStringList left = QDir(elsewhere.path()).entryList(QDir::Files, QDir::Name);
    QStringList expected = planted + written.mid(1);
    expected.sort();
    EXPECT_EQ(left, expected);
    for (const QString& name : planted)
        EXPECT_EQ(bytes(elsewhere.filePath(name)), QByteArrayLiteral("old"));
}

TEST_F(CliTest, RestorePutsTheCopyBackOrChangesNothing) {
    const QStringList asAdmin = {QStringLiteral("--user"), QStringLiteral("admin")};
    ASSERT_EQ(cli(asAdmin + QStringList{QStringLiteral("backup"), backup}).code, 0);
    tp.query(Statement("DELETE FROM diary_tbl"));
    const QByteArray before = bytes(tp.database.path());

    EXPECT_EQ(cli(asAdmin + QStringList{QStringLiteral("restore"), backup}, "admin\nn\n").code, 1);
    EXPECT_EQ(cli(asAdmin +
                  QStringList{QStringLiteral("--yes"), QStringLiteral("restore"), damagedCopy()})
                  .code,
              4);
    {
        DatabaseLock organizer(tp.database.path());
        ASSERT_TRUE(organizer.tryLock(DatabaseLock::Mode::Shared));
        EXPECT_EQ(
            cli(asAdmin + QStringList{QStringLiteral("--yes"), QStringLiteral("restore"), backup})
                .code,
            3);
    }
    EXPECT_EQ(bytes(tp.database.path()), before);

    const Outcome restored =
        cli(asAdmin + QStringList{QStringLiteral("restore"), backup}, "admin\ny\n");
    EXPECT_EQ(restored.code, 0) << restored.err.toStdString();
    EXPECT_TRUE(restored.out.contains(QStringLiteral("holds 2 accounts, 0 contacts, 1 diary days")))
        << restored.out.toStdString();
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 1);

    // A working database that no longer opens is restored by the copy's administrator.
    QFile::remove(tp.database.path());
    QFile::copy(damagedCopy(), tp.database.path());
    const Outcome repaired =
        cli(asAdmin + QStringList{QStringLiteral("--yes"), QStringLiteral("restore"), backup});
    EXPECT_EQ(repaired.code, 0) << repaired.err.toStdString();
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 1);
    // So is a missing one, but only by the copy's administrator.
    QFile::remove(tp.database.path());
    EXPECT_EQ(cli(asAdmin + QStringList{QStringLiteral("--yes"), QStringLiteral("restore"), backup},
                  "wrong\n")
                  .code,
              2);
    EXPECT_FALSE(QFile::exists(tp.database.path()));
    EXPECT_EQ(
        cli(asAdmin + QStringList{QStringLiteral("--yes"), QStringLiteral("restore"), backup}).code,
        0);
    EXPECT_EQ(tp.count(QStringLiteral("diary_tbl")), 1);
}

TEST_F(CliTest, AnyUserExportsAndImportsOwnRecords) {
    tp.query(
        Statement("INSERT INTO addressbook_tbl VALUES (2, 'Ann', 'B', 'Lee', 'F', 'x', '1', "
                  "'2', '3', 'a@b'), (2, 'Cy', 'D', 'Doe', 'M', 'y', '4', '5', '6', 'c@d'), "
                  "(1, 'Admins', 'Own', 'Contact', 'M', 'z', '7', '8', '9', 'e@f')"));
    const QStringList asAnn = {QStringLiteral("--user"), QStringLiteral("ann")};
    const QString cards = elsewhere.filePath(QStringLiteral("cards.vcf"));
    const Outcome exported =
        cli(asAnn + QStringList{QStringLiteral("export"), QStringLiteral("--contacts"),
                                QStringLiteral("vcard"), QStringLiteral("-o"), cards},
            "annpw\n");
    ASSERT_EQ(exported.code, 0) << exported.err.toStdString();
    EXPECT_EQ(exported.out, QStringLiteral("Exported 2 contacts to %1\n").arg(cards));
    EXPECT_TRUE(bytes(cards).startsWith("BEGIN:VCARD\r\nVERSION:4.0\r\n"));
    EXPECT_FALSE(bytes(cards).contains("Admins"));

    tp.query(Statement("DELETE FROM addressbook_tbl WHERE user_num = 2 AND name = 'Cy'"));
    const QStringList import = asAnn + QStringList{QStringLiteral("import"), cards};
    const Outcome imported = cli(import, "annpw\n");
    EXPECT_EQ(imported.code, 0) << imported.err.toStdString();
    EXPECT_EQ(imported.out, QStringLiteral("1 added, 1 already present, 0 refused\n"));
    EXPECT_EQ(tp.count(QStringLiteral("addressbook_tbl")), 3);
    EXPECT_EQ(cli(import, "wrong\n").code, 2);

    // Without -o the file goes to standard output and the summary to standard error.
    const Outcome diary =
        cli({QStringLiteral("--user"), QStringLiteral("admin"), QStringLiteral("export"),
             QStringLiteral("--diary"), QStringLiteral("ics"), QStringLiteral("--from"),
             QStringLiteral("2001-02-03"), QStringLiteral("--to"), QStringLiteral("2001-02-03")});
    EXPECT_EQ(diary.code, 0) << diary.err.toStdString();
    EXPECT_TRUE(diary.out.startsWith(QStringLiteral("BEGIN:VCALENDAR"))) << diary.out.toStdString();
    EXPECT_TRUE(diary.out.contains(QStringLiteral("kept")));
    EXPECT_EQ(diary.err, QStringLiteral("Exported 1 diary day\n"));
    const Outcome annDiary =
        cli(asAnn + QStringList{QStringLiteral("export"), QStringLiteral("--diary"),
                                QStringLiteral("ics")},
            "annpw\n");
    EXPECT_EQ(annDiary.err, QStringLiteral("Exported 0 diary days\n"));

    // A database of any name, as a copy is named.
    const QString copy = elsewhere.filePath(QStringLiteral("copy of journey.mdb"));
    ASSERT_TRUE(QFile::copy(tp.database.path(), copy));
    const Outcome fromCopy = runProgram(
        QStringLiteral(VEMORA_CLI),
        {QStringLiteral("--database"), copy, QStringLiteral("--user"), QStringLiteral("admin"),
         QStringLiteral("export"), QStringLiteral("--diary"), QStringLiteral("ics")},
        "admin\n");
    EXPECT_EQ(fromCopy.code, 0) << fromCopy.err.toStdString();
    EXPECT_EQ(fromCopy.err, QStringLiteral("Exported 1 diary day\n"));
}

TEST_F(CliTest, TransferRefusalsHaveTheBackupCodes) {
    const QStringList asAnn = {QStringLiteral("--user"), QStringLiteral("ann")};
    const QStringList exporting = asAnn + QStringList{QStringLiteral("export")};
    for (const QStringList& wrong :
         {exporting, exporting + QStringList{QStringLiteral("--contacts"), QStringLiteral("xml")},
          exporting + QStringList{QStringLiteral("--contacts"), QStringLiteral("csv"),
                                  QStringLiteral("--dictionary"), QStringLiteral("csv")},
          exporting + QStringList{QStringLiteral("--diary"), QStringLiteral("ics"),
                                  QStringLiteral("--from"), QStringLiteral("2001-01-01")},
          exporting + QStringList{QStringLiteral("--diary"), QStringLiteral("ics"),
                                  QStringLiteral("--from"), QStringLiteral("2001-02-01"),
                                  QStringLiteral("--to"), QStringLiteral("2001-01-01")},
          exporting + QStringList{QStringLiteral("--contacts"), QStringLiteral("csv"),
                                  QStringLiteral("--vcard-version"), QStringLiteral("3")},
          asAnn + QStringList{QStringLiteral("import")}})
        EXPECT_EQ(cli(wrong, "annpw\n").code, 1) << wrong.join(u' ').toStdString();
    EXPECT_EQ(
        cli(exporting + QStringList{QStringLiteral("--planner"), QStringLiteral("ics")}, "wrong\n")
            .code,
        2);

    const QString text = write(QStringLiteral("notes.txt"), "nothing to import\n");
    const Outcome unreadable = cli(asAnn + QStringList{QStringLiteral("import"), text}, "annpw\n");
    EXPECT_EQ(unreadable.code, 4);
    EXPECT_TRUE(unreadable.err.contains(QStringLiteral("neither the columns of contacts")))
        << unreadable.err.toStdString();
    EXPECT_EQ(cli(asAnn + QStringList{QStringLiteral("import"),
                                      elsewhere.filePath(QStringLiteral("missing.vcf"))},
                  "annpw\n")
                  .code,
              5);
    const QString words = write(QStringLiteral("words.csv"), "Word,Description\nnew,\nfine,ok\n");
    const Outcome refused = cli(asAnn + QStringList{QStringLiteral("import"), words}, "annpw\n");
    EXPECT_EQ(refused.code, 0);
    EXPECT_EQ(refused.out, QStringLiteral("1 added, 0 already present, 1 refused\n"
                                          "refused: new: the description is empty\n"));
}

TEST_F(CliTest, ACsvHeaderNobodyKnowsIsMappedWithMap) {
    const QStringList importing = {
        QStringLiteral("--user"), QStringLiteral("ann"), QStringLiteral("import"),
        write(QStringLiteral("people.csv"), "Wer;Handy=Nr;Notiz\nBo Ray;0170;x\n")};
    const Outcome unknown = cli(importing, "annpw\n");
    EXPECT_EQ(unknown.code, 4);
    EXPECT_TRUE(unknown.err.contains(
        QStringLiteral("Headers not known: Wer, Handy=Nr, Notiz. Say which field each column goes "
                       "to with --map COLUMN=FIELD,... (FIELD: first, middle, last, sex, address, "
                       "phone, cellular, fax, email, none).")))
        << unknown.err.toStdString();
    for (const char* wrong : {"Wer", "Wer=given", "=first"})
        EXPECT_EQ(cli(importing + QStringList{QStringLiteral("--map"), QString::fromLatin1(wrong)},
                      "annpw\n")
                      .code,
                  1)
            << wrong;
    EXPECT_EQ(cli(importing + QStringList{QStringLiteral("--map"), QStringLiteral("Who=first")},
                  "annpw\n")
                  .code,
              4);
    const Outcome mapped =
        cli(importing + QStringList{QStringLiteral("--map"), QStringLiteral("Wer=first"),
                                    QStringLiteral("--map"), QStringLiteral("Handy=Nr=cellular")},
            "annpw\n");
    EXPECT_EQ(mapped.code, 0) << mapped.err.toStdString();
    EXPECT_EQ(mapped.out, QStringLiteral("1 added, 0 already present, 0 refused\n"
                                         "Columns not imported: Notiz\n"));
    EXPECT_EQ(tp.count(QStringLiteral("addressbook_tbl")), 1);
}

}  // namespace
}  // namespace vemora::test
