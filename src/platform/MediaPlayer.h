#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QWidget;

namespace vemora {

// The embedded player of the player tab. Playback runs asynchronously; failures arrive
// through errorOccurred.
class MediaPlayer : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MediaPlayer)
public:
    enum class State { Stopped, Playing, Paused };
    Q_ENUM(State)

    MediaPlayer() = default;
    ~MediaPlayer() override = default;

    // The file name last set, exactly as it was given.
    virtual QString fileName() const = 0;
    virtual void setFileName(const QString& path) = 0;
    virtual void play() = 0;
    virtual void pause() = 0;
    virtual void stop() = 0;
    virtual State state() const = 0;
    // Milliseconds.
    virtual qint64 position() const = 0;
    virtual qint64 duration() const = 0;
    virtual void setPosition(qint64 position) = 0;
    // 0 (silent) to 100.
    virtual void setVolume(int volume) = 0;
    // False when the computer offers no sound output to play through.
    virtual bool hasSoundOutput() const = 0;

Q_SIGNALS:
    void stateChanged(vemora::MediaPlayer::State state);
    void positionChanged(qint64 position);
    void durationChanged(qint64 duration);
    // number: kErrGeneral when the file cannot be opened or decoded.
    void errorOccurred(long number, const QString& description);
};

class MediaPlayerFactory {
public:
    virtual ~MediaPlayerFactory() = default;
    // A new player that shows its picture inside `screen` (an empty widget the caller lays
    // out); nothing when no backend can play media.
    virtual std::unique_ptr<MediaPlayer> create(QWidget* screen) = 0;
};

}  // namespace vemora
