// Work that waits on a server runs beside the windows once a waiter is set, and the waiter may
// stop it.
#include <gtest/gtest.h>

#include <QThread>

#include <future>
#include <thread>

#include "data/ServerWait.h"

namespace vemora::test {
namespace {

using namespace std::chrono_literals;

// Stops the first wait it is asked about.
class StoppingWaiter final : public AnswerWaiter {
public:
    bool waiting(const QString& server, std::chrono::milliseconds waited) override {
        ++asked;
        askedFor = server;
        askedAfter = waited;
        return false;
    }
    void ended() override { ++endings; }

    int asked = 0;
    int endings = 0;
    QString askedFor;
    std::chrono::milliseconds askedAfter{0};
};

TEST(AwaitServer, WithoutAWaiterTheWorkRunsHere) {
    QThread* ranOn = nullptr;
    EXPECT_TRUE(
        awaitServer(QStringLiteral("db.home"), [&] { ranOn = QThread::currentThread(); }, {}));
    EXPECT_EQ(ranOn, QThread::currentThread());
}

TEST(AwaitServer, ALateAnswerIsToldAndTheUserMayStopWaiting) {
    StoppingWaiter waiter;
    setAnswerWaiter(&waiter);
    std::promise<void> cut;
    std::future<void> cutDone = cut.get_future();
    QThread* ranOn = nullptr;
    int nestedOn = 0;
    // The work blocks until it is cut, as a read from a frozen server does.
    const bool answered = awaitServer(
        QStringLiteral("db.home"),
        [&] {
            ranOn = QThread::currentThread();
            cutDone.wait();
        },
        [&] {
            cut.set_value();
            // A wait begun while the waiter speaks runs here, unannounced.
            awaitServer(QStringLiteral("other"), [&] { ++nestedOn; }, {});
        });
    setAnswerWaiter(nullptr);

    EXPECT_FALSE(answered);
    EXPECT_NE(ranOn, QThread::currentThread());
    EXPECT_EQ(waiter.askedFor, u"db.home");
    EXPECT_GE(waiter.askedAfter, 1s);
    EXPECT_EQ(waiter.endings, 1);
    EXPECT_EQ(nestedOn, 1);
}

TEST(AwaitServer, AQuickAnswerIsNotAnnounced) {
    StoppingWaiter waiter;
    setAnswerWaiter(&waiter);
    int ran = 0;
    EXPECT_TRUE(awaitServer(QStringLiteral("db.home"), [&] { ++ran; }, {}));
    // Another thread's waits are not this waiter's to tell.
    std::thread([&] {
        EXPECT_TRUE(awaitServer(QStringLiteral("db.home"), [&] { ++ran; }, {}));
    }).join();
    setAnswerWaiter(nullptr);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(waiter.asked, 0);
    EXPECT_EQ(waiter.endings, 0);
}

}  // namespace
}  // namespace vemora::test
