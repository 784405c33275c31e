#pragma once

#include "platform/MediaPlayer.h"

#include <QStringList>

#include <optional>
#include <utility>

namespace vemora::test {

// Plays nothing: records what it is asked and reports what the test scripts, at once.
class ScriptedMediaPlayer final : public MediaPlayer {
public:
    QStringList fileNames;  // every file name set, in order
    int plays = 0;
    int volume = -1;  // never set
    // The error the next play() reports instead of playing.
    std::optional<std::pair<long, QString>> failure;
    bool soundOutput = true;
    bool hasSoundOutput() const override { return soundOutput; }

    QString fileName() const override { return m_fileName; }
    void setFileName(const QString& path) override {
        m_fileName = path;
        fileNames.append(path);
    }
    void play() override {
        ++plays;
        if (const auto f = std::exchange(failure, std::nullopt))
            Q_EMIT errorOccurred(f->first, f->second);
        else
            setState(State::Playing);
    }
    void pause() override { setState(State::Paused); }
    void stop() override {
        setState(State::Stopped);
        setPosition(0);
    }
    State state() const override { return m_state; }
    qint64 position() const override { return m_position; }
    qint64 duration() const override { return m_duration; }
    void setPosition(qint64 position) override {
        m_position = position;
        Q_EMIT positionChanged(position);
    }
    void setVolume(int v) override { volume = v; }

    // The media finished loading: its length is known.
    void loaded(qint64 duration) {
        m_duration = duration;
        Q_EMIT durationChanged(duration);
    }

private:
    void setState(State state) {
        m_state = state;
        Q_EMIT stateChanged(state);
    }

    QString m_fileName;
    State m_state = State::Stopped;
    qint64 m_position = 0;
    qint64 m_duration = 0;
};

// Hands out scripted players; `usable = false` stands for a system without a backend.
class ScriptedMediaFactory final : public MediaPlayerFactory {
public:
    bool usable = true;
    ScriptedMediaPlayer* player = nullptr;  // the last one created
    int created = 0;

    std::unique_ptr<MediaPlayer> create(QWidget*) override {
        if (!usable) return nullptr;
        auto p = std::make_unique<ScriptedMediaPlayer>();
        player = p.get();
        ++created;
        return p;
    }
};

}  // namespace vemora::test
