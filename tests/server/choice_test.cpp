// Choosing a server: the URL, vemora.conf and a server that cannot be reached. No server needed.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"
#include "support/Programs.h"

namespace vemora::test {
namespace {

TEST(ServerUrl, ReadsEveryPartAndASocketFolder) {
    const Result<ServerAddress> tcp =
        parseServerUrl(QStringLiteral("postgresql://ann@db.home:6543/family"));
    ASSERT_TRUE(tcp) << tcp.error().description.toStdString();
    EXPECT_EQ(tcp.value().host, u"db.home");
    EXPECT_EQ(tcp.value().port, 6543);
    EXPECT_EQ(tcp.value().database, u"family");
    EXPECT_EQ(tcp.value().user, u"ann");
    EXPECT_TRUE(tcp.value().password.isEmpty());

    const Result<ServerAddress> socket =
        parseServerUrl(QStringLiteral("postgresql://ann@localhost/family?host=/run/post%20gres"));
    ASSERT_TRUE(socket);
    EXPECT_EQ(socket.value().host, u"/run/post gres");
    EXPECT_EQ(socket.value().port, 5432);

    const Result<ServerAddress> secret =
        parseServerUrl(QStringLiteral("postgresql://ann:s%40cret@db/family"));
    ASSERT_TRUE(secret);
    EXPECT_EQ(secret.value().password, u"s@cret");
    EXPECT_FALSE(secret.value().shown().contains(QStringLiteral("cret")));
}

TEST(ServerUrl, ReadsTheTimeoutsAndWritesThemBack) {
    const Result<ServerAddress> plain =
        parseServerUrl(QStringLiteral("postgresql://ann@db/family"));
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain.value().connectTimeout, ServerAddress::kConnectTimeout);
    EXPECT_EQ(plain.value().statementTimeout, ServerAddress::kStatementTimeout);

    const Result<ServerAddress> set = parseServerUrl(QStringLiteral(
        "postgresql://ann@localhost/family?host=/run/pg&connect_timeout=3&statement_timeout=20"));
    ASSERT_TRUE(set) << set.error().description.toStdString();
    EXPECT_EQ(set.value().connectTimeout, 3);
    EXPECT_EQ(set.value().statementTimeout, 20);
    const Result<ServerAddress> again = parseServerUrl(set.value().url());
    ASSERT_TRUE(again);
    EXPECT_EQ(again.value().host, u"/run/pg");
    EXPECT_EQ(again.value().connectTimeout, 3);
    EXPECT_EQ(again.value().statementTimeout, 20);

    for (const char* url : {"postgresql://ann@db/family?statement_timeout=0",
                            "postgresql://ann@db/family?connect_timeout=soon"})
        EXPECT_FALSE(parseServerUrl(QString::fromLatin1(url))) << url;
}

TEST(ServerUrl, RefusesWhatNamesNoDatabase) {
    for (const char* url : {"journey.mdb", "mysql://ann@db/family", "postgresql://ann@db/",
                            "postgresql:///family", "postgresql://ann:pw@db"}) {
        const Result<ServerAddress> parsed = parseServerUrl(QString::fromLatin1(url));
        ASSERT_FALSE(parsed) << url;
        EXPECT_EQ(parsed.error().number, kErrGeneral);
        EXPECT_FALSE(parsed.error().description.contains(QStringLiteral(":pw@"))) << url;
    }
}

class ConfigFile : public ::testing::Test {
protected:
    ConfigFile() { qputenv("VEMORA_CONF", path.toLocal8Bit()); }
    ~ConfigFile() override { qunsetenv("VEMORA_CONF"); }

    void write(const QByteArray& content, QFile::Permissions permissions) {
        writeFile(path, content, permissions);
    }

    QTemporaryDir dir;
    QString path = dir.filePath(QString::fromLatin1(kConfigFileName));
    static constexpr QFile::Permissions kOwnerOnly = QFile::ReadOwner | QFile::WriteOwner;
    static constexpr QFile::Permissions kEveryone =
        kOwnerOnly | QFile::ReadGroup | QFile::ReadOther;
};

TEST_F(ConfigFile, NoFileOrNoUrlMeansTheFile) {
    Result<std::optional<ServerAddress>> chosen = configuredServer(dir.path());
    ASSERT_TRUE(chosen);
    EXPECT_FALSE(chosen.value());

    write("[other]\nurl=postgresql://ann@db/family\n", kEveryone);
    chosen = configuredServer(dir.path());
    ASSERT_TRUE(chosen);
    EXPECT_FALSE(chosen.value());
}

TEST_F(ConfigFile, ReadsTheServerBesideThePrograms) {
    qunsetenv("VEMORA_CONF");
    write("[database]\nurl=postgresql://ann@db.home:6543/family\n", kEveryone);
    const Result<std::optional<ServerAddress>> chosen = configuredServer(dir.path());
    ASSERT_TRUE(chosen) << chosen.error().description.toStdString();
    ASSERT_TRUE(chosen.value());
    EXPECT_EQ(chosen.value()->database, u"family");
    EXPECT_EQ(chosen.value()->port, 6543);
}

TEST_F(ConfigFile, APasswordIsRefusedWhereOthersCanReadIt) {
    write("[database]\nurl=postgresql://ann:secret@db/family\n", kEveryone);
    const Result<std::optional<ServerAddress>> refused = configuredServer(dir.path());
    ASSERT_FALSE(refused);
    EXPECT_EQ(refused.error().number, kErrGeneral);
    EXPECT_TRUE(refused.error().description.contains(path));
    EXPECT_TRUE(refused.error().description.contains(QStringLiteral("pgpass")));
    EXPECT_FALSE(refused.error().description.contains(QStringLiteral("secret")));

    write("[database]\nurl=postgresql://ann:secret@db/family\n", kOwnerOnly);
    const Result<std::optional<ServerAddress>> kept = configuredServer(dir.path());
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept.value()->password, u"secret");
}

TEST_F(ConfigFile, ABrokenUrlIsRefused) {
    write("[database]\nurl=somewhere\n", kOwnerOnly);
    EXPECT_FALSE(configuredServer(dir.path()));
}

TEST(ServerReach, ARefusedConnectionIsAMissingDatabaseNamingTheServer) {
    // Port 1 of this computer: nothing listens there.
    const int port = 1;
    ServerAddress server{
        QStringLiteral("127.0.0.1"), port, QStringLiteral("family"), QStringLiteral("ann"), {}};
    ServerSession session(server);
    const Status opened = session.open();
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error().number, kErrGeneral);
    EXPECT_EQ(opened.error().problem, DbProblem::Missing);
    EXPECT_TRUE(
        opened.error().description.contains(QStringLiteral("127.0.0.1:%1/family").arg(port)))
        << opened.error().description.toStdString();

    ServerLock lock(server);
    EXPECT_FALSE(lock.tryLock(EngineLock::Mode::Shared));
    EXPECT_FALSE(lock.heldElsewhere());
}

}  // namespace
}  // namespace vemora::test
