// Shared main of the test programs of the libraries below the windows: no GUI at all.
#include "core/Clock.h"

#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // A fixed moment, a second before midnight: what tests check must not move with the day.
    vemora::fixClock(QDateTime(QDate(2026, 6, 15), QTime(23, 59, 59)));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
