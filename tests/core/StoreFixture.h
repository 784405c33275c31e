#pragma once

#include "core/Change.h"
#include "core/Database.h"
#include "data/Statement.h"
#include "support/TestPlatform.h"

#include <gtest/gtest.h>

namespace vemora::test {

// A fresh database opened as the organizer's shared connection, and a second writer.
class StoreTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(database.open().ok()); }

    // Runs a statement as another program would, on a connection of its own.
    Recordset query(const Statement& statement) { return files.query(statement); }
    int count(const QString& table) { return files.count(table); }
    static Refusal refusal(const Result<Change>& change) {
        EXPECT_TRUE(change.ok()) << (change ? "" : change.error().description.toStdString());
        return change ? change.value().refusal : Refusal::None;
    }

    TestPlatform files;
    Database database{files.database.directory(), Database::Lock::None};
};

}  // namespace vemora::test
