#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>

#include "ShellFixture.h"
#include "shell/IdleLock.h"

namespace vemora::test {
namespace {

using namespace Qt::StringLiterals;

// A session bus of the test's own, named in the environment before the program first looks
// for one; its own program, so that no earlier test has connected to another bus.
class DesktopLock : public ShellTest {
protected:
    void SetUp() override {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        ASSERT_FALSE(daemon.isEmpty()) << "dbus-daemon is installed by scripts/deps.sh";
        bus.start(daemon, {u"--session"_s, u"--nofork"_s, u"--print-address"_s});
        ASSERT_TRUE(bus.waitForReadyRead(10000));
        address = QString::fromUtf8(bus.readLine()).trimmed();
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        ShellTest::SetUp();
    }
    void TearDown() override {
        bus.kill();
        bus.waitForFinished();
    }

    QProcess bus;
    QString address;
};

TEST_F(DesktopLock, TheScreenSaverLockingTheDesktopLocksTheOrganizer) {
    env.addUser(u"ann"_s, u"Ann9pw"_s, u"Ann Lee"_s);
    frmMain* main = logIn(u"ann"_s, u"Ann9pw"_s);
    ASSERT_NE(main, nullptr);
    IdleLock* lock = main->idleLock();
    // A call answered on the organizer's connection: its signal rules are in place by then.
    ASSERT_TRUE(QDBusConnection::sessionBus().isConnected());
    ASSERT_TRUE(
        QDBusConnection::sessionBus().interface()->isServiceRegistered(u"org.freedesktop.DBus"_s));

    QDBusConnection desktop = QDBusConnection::connectToBus(address, u"desktop"_s);
    ASSERT_TRUE(desktop.isConnected());
    QDBusMessage active = QDBusMessage::createSignal(
        u"/org/freedesktop/ScreenSaver"_s, u"org.freedesktop.ScreenSaver"_s, u"ActiveChanged"_s);
    active << true;
    ASSERT_TRUE(desktop.send(active));
    EXPECT_TRUE(QTest::qWaitFor([lock] { return lock->isLocked(); }, 10000));
    EXPECT_EQ(visibleWindow<frmMain>(), nullptr);
    QDBusConnection::disconnectFromBus(u"desktop"_s);
}

}  // namespace
}  // namespace vemora::test
