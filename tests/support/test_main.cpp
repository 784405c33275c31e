// Shared main of the test programs: offscreen platform, Fusion style, one QApplication.
#include "core/Clock.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Tests use their own databases, never the shared one of a system-wide install.
    if (!qEnvironmentVariableIsSet("VEMORA_DATA_DIR")) qputenv("VEMORA_DATA_DIR", "");
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // A fixed moment, a second before midnight: what tests check must not move with the day.
    vemora::fixClock(QDateTime(QDate(2026, 6, 15), QTime(23, 59, 59)));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
