// Plays real files through Qt Multimedia, where the system has a backend that decodes.
#include "data/DbError.h"
#include "platform/QtSeams.h"

#include <QAudioDevice>
#include <QDataStream>
#include <QFile>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace vemora::test {
namespace {

constexpr int kRate = 8000;
constexpr int kMilliseconds = 300;

// A mono 16-bit PCM wave file of a square tone.
void writeWave(const QString& path) {
    const quint32 samples = kRate * kMilliseconds / 1000;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(kRate) << quint32(kRate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (quint32 i = 0; i < samples; ++i) out << qint16((i / 20) % 2 ? 3000 : -3000);
}

// Runs the event loop until `done` holds, giving up after about ten seconds.
template <class Done>
bool waitFor(QSignalSpy& spy, Done done) {
    for (int i = 0; i < 50 && !done(); ++i) spy.wait(200);
    return done();
}

class RealPlayback : public ::testing::Test {
protected:
    void SetUp() override {
        player = factory.create(&screen);
        if (!player)
            GTEST_SKIP() << "No multimedia backend that decodes on this system "
                            "(GStreamer needs gstreamer1.0-plugins-good)";
    }

    QTemporaryDir dir;
    QWidget screen;
    QtMediaPlayerFactory factory;
    std::unique_ptr<MediaPlayer> player;
};

TEST_F(RealPlayback, ShortWaveFilePlaysToItsEnd) {
    if (QMediaDevices::audioOutputs().isEmpty())
        GTEST_SKIP() << "No audio output device: the backend cannot play a sound file here";
    const QString wav = dir.filePath(QStringLiteral("tone.wav"));
    writeWave(wav);
    QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);
    QSignalSpy states(player.get(), &MediaPlayer::stateChanged);
    QSignalSpy positions(player.get(), &MediaPlayer::positionChanged);

    player->setFileName(wav);
    player->play();
    ASSERT_TRUE(waitFor(states, [&] {
        return !errors.isEmpty() ||
               (states.size() >= 2 && player->state() == MediaPlayer::State::Stopped);
    })) << "playback did not finish";
    ASSERT_TRUE(errors.isEmpty()) << errors.first().at(1).toString().toStdString();
    EXPECT_NEAR(double(player->duration()), kMilliseconds, 50);
    EXPECT_FALSE(positions.isEmpty());
}

TEST_F(RealPlayback, FileThatIsNoMediaReportsTheGeneralFailure) {
    const QString bogus = dir.filePath(QStringLiteral("notes.mp3"));
    QFile f(bogus);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray(4096, 'x'));
    f.close();
    QSignalSpy errors(player.get(), &MediaPlayer::errorOccurred);

    player->setFileName(bogus);
    player->play();
    ASSERT_TRUE(waitFor(errors, [&] { return !errors.isEmpty(); }));
    EXPECT_EQ(errors.first().at(0).value<long>(), kErrGeneral);
}

}  // namespace
}  // namespace vemora::test
