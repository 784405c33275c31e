#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>

#include "ShellFixture.h"
#include "shell/frmSplash.h"

namespace vemora::test {
namespace {

// What the dots read after each of the first sixteen ticks; from the ninth on, the last eight
// repeat.
const char* const kDots[] = {".",  "..",  "...",  "....",  ".....",  "......",  ".......",  " ",
                             " .", " ..", " ...", " ....", " .....", " ......", " .......", " "};

TEST(Splash, AnimatesThirtyThreeTicksThenHandsOverToTheLogIn) {
    TestPlatform env;
    ShellWindows windows(env.platform);
    ASSERT_TRUE(windows.start());
    EXPECT_TRUE(env.session.DbConnection().isOpen());
    EXPECT_TRUE(env.session.MyConnection().isOpen());

    auto* splash = visibleWindow<frmSplash>();
    ASSERT_NE(splash, nullptr);
    auto* timer = child<QTimer>(splash, "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
    timer->stop();  // ticks are driven by hand below
    auto* bar = child<QProgressBar>(splash, "bar");
    auto* dots = child<QLabel>(splash, "Label2");
    EXPECT_EQ(child<QLabel>(splash, "lblLoading")->text(), QStringLiteral("LOADING "));
    EXPECT_EQ(bar->value(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_TRUE(dots->text().isEmpty());

    for (int tick = 1; tick <= 32; ++tick) {
        splash->tick();
        EXPECT_EQ(bar->value(), 3 * tick);
        EXPECT_EQ(dots->text(), QLatin1String(kDots[tick <= 8 ? tick - 1 : 8 + (tick - 9) % 8]))
            << "tick " << tick;
    }
    EXPECT_EQ(visibleWindow<frmLogin>(), nullptr);

    splash->tick();
    EXPECT_EQ(bar->value(), 99);
    EXPECT_FALSE(splash->isVisible());
    frmLogin* login = visibleWindow<frmLogin>();
    ASSERT_NE(login, nullptr);
    EXPECT_EQ(login->windowTitle(), QStringLiteral("User Log-in"));
    // The main window waits for a successful log-in.
    EXPECT_EQ(visibleWindow<frmMain>(), nullptr);
}

TEST(Splash, MissingDatabaseIsReportedAndEndsTheProgram) {
    TestPlatform env;
    VEMORA_SKIP_ON_SERVER("removes the file; an unreachable server is told in the data tests");
    ASSERT_TRUE(QFile::remove(env.database.path()));
    ShellWindows windows(env.platform);

    EXPECT_FALSE(windows.start());
    ASSERT_EQ(env.prompter.count(), 1);
    EXPECT_EQ(env.prompter.last().text,
              QStringLiteral(
                  "Can't find the database file! Please check if the database file is installed!"));
    EXPECT_EQ(env.prompter.last().title, QStringLiteral("Can't locate!"));
    EXPECT_EQ(env.prompter.last().style, vbExclamation);
    EXPECT_EQ(visibleWindow<frmSplash>(), nullptr);
    EXPECT_EQ(visibleWindow<frmLogin>(), nullptr);
    EXPECT_FALSE(QFile::exists(env.database.path()));
}

}  // namespace
}  // namespace vemora::test
