#pragma once

#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"

#include <gtest/gtest.h>

#include <QSqlQuery>
#include <QUuid>

#include <optional>

namespace vemora::test {

// A database of its own on the server VEMORA_TEST_PG_URL names, dropped at the end; none
// without the variable, and the test skips.
class ServerDatabase {
public:
    // Call from SetUp(): skips the test when no server is named.
    void create() {
        const QString url = qEnvironmentVariable("VEMORA_TEST_PG_URL");
        if (url.isEmpty()) GTEST_SKIP() << "VEMORA_TEST_PG_URL names no server";
        const Result<ServerAddress> admin = parseServerUrl(url);
        ASSERT_TRUE(admin) << admin.error().description.toStdString();
        m_admin = admin.value();
        server = *m_admin;
        server.database = QStringLiteral("vemora_") + QUuid::createUuid().toString(QUuid::Id128);
        run(QStringLiteral("CREATE DATABASE %1").arg(server.database));
    }
    ~ServerDatabase() {
        if (m_admin) run(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(server.database));
    }

    ServerAddress server;

private:
    void run(const QString& sql) {
        ServerSession session(*m_admin);
        ASSERT_TRUE(session.open());
        QSqlQuery q(session.database());
        ASSERT_TRUE(q.exec(sql)) << sql.toStdString();
    }
    std::optional<ServerAddress> m_admin;
};

}  // namespace vemora::test
