#include "platform/QtSeams.h"

#include "data/DbError.h"

#include <QAudio>
#include <QAudioDevice>
#include <QAudioOutput>
#include <QMediaDevices>
#include <QMediaFormat>
#include <QMediaPlayer>
#include <QUrl>
#include <QVBoxLayout>
#include <QVideoWidget>

namespace vemora {

namespace {

constexpr long kErrAccessDenied = -2147024891;  // E_ACCESSDENIED

MediaPlayer::State toState(QMediaPlayer::PlaybackState state) {
    switch (state) {
        case QMediaPlayer::PlayingState:
            return MediaPlayer::State::Playing;
        case QMediaPlayer::PausedState:
            return MediaPlayer::State::Paused;
        case QMediaPlayer::StoppedState:
            break;
    }
    return MediaPlayer::State::Stopped;
}

class QtMediaPlayer final : public MediaPlayer {
public:
    explicit QtMediaPlayer(QWidget* screen) {
        // Without a sound device some backends crash on the first sample: play muted instead.
        if (!QMediaDevices::defaultAudioOutput().isNull()) {
            m_audio = std::make_unique<QAudioOutput>();
            m_player.setAudioOutput(m_audio.get());
        }
        auto* video = new QVideoWidget(screen);
        video->setAccessibleName(QStringLiteral("Video"));
        auto* layout = new QVBoxLayout(screen);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(video);
        m_player.setVideoOutput(video);

        connect(&m_player, &QMediaPlayer::playbackStateChanged, this,
                [this](QMediaPlayer::PlaybackState s) { Q_EMIT stateChanged(toState(s)); });
        connect(&m_player, &QMediaPlayer::positionChanged, this, &MediaPlayer::positionChanged);
        connect(&m_player, &QMediaPlayer::durationChanged, this, &MediaPlayer::durationChanged);
        connect(&m_player, &QMediaPlayer::errorOccurred, this,
                [this](QMediaPlayer::Error error, const QString& description) {
                    Q_EMIT errorOccurred(
                        error == QMediaPlayer::AccessDeniedError ? kErrAccessDenied : kErrGeneral,
                        description);
                });
    }

    ~QtMediaPlayer() override {
        // The video widget belongs to the caller's window and may outlive the player.
        m_player.setVideoOutput(nullptr);
    }

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString& path) override {
        m_fileName = path;
        m_player.setSource(QUrl::fromLocalFile(path));
    }
    void play() override { m_player.play(); }
    void pause() override { m_player.pause(); }
    void stop() override { m_player.stop(); }
    State state() const override { return toState(m_player.playbackState()); }
    qint64 position() const override { return m_player.position(); }
    qint64 duration() const override { return m_player.duration(); }
    void setPosition(qint64 position) override { m_player.setPosition(position); }
    void setVolume(int volume) override {
        // The slider moves in steps the ear hears as even.
        if (m_audio)
            m_audio->setVolume(float(QAudio::convertVolume(qBound(0, volume, 100) / 100.0,
                                                           QAudio::LogarithmicVolumeScale,
                                                           QAudio::LinearVolumeScale)));
    }

    bool hasSoundOutput() const override { return !QMediaDevices::audioOutputs().isEmpty(); }

private:
    std::unique_ptr<QAudioOutput> m_audio;  // outlives the player that plays through it
    QMediaPlayer m_player;
    QString m_fileName;
};

}  // namespace

std::unique_ptr<MediaPlayer> QtMediaPlayerFactory::create(QWidget* screen) {
    // A backend without decoders (GStreamer lacking its plugins) crashes on playback.
    if (QMediaFormat().supportedFileFormats(QMediaFormat::Decode).isEmpty()) return nullptr;
    return std::make_unique<QtMediaPlayer>(screen);
}

}  // namespace vemora
