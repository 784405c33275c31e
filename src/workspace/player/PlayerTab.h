#pragma once

#include "formats/Playlist.h"
#include "platform/MediaPlayer.h"
#include "platform/Platform.h"

#include <QStringList>
#include <QWidget>

#include <memory>

namespace Ui {
class PlayerTab;
}

namespace vemora {

// The media player tab: an embedded player and a playlist kept in ".plf" files.
class PlayerTab final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PlayerTab)
public:
    explicit PlayerTab(Platform& platform, QWidget* parent = nullptr);
    ~PlayerTab() override;

    // Appends the entries of a playlist file to the list; a missing file adds nothing.
    void Open_List(const QString& path);
    // Writes the list to a playlist file: the whole new content or, on failure, the file
    // as it was.
    void Save_List(const QString& path);

    // The paths of the playlist entries in list order.
    QStringList entries() const;
    // The entries with the titles their playlists gave them.
    QList<playlist::Entry> titledEntries() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addEntry(const playlist::Entry& entry);
    void cmdOpen_Click();
    void cmdOpenPlaylist_Click();
    void cmdSavePL_Click();
    void cmdClearPL_Click();
    void ListBox_Delete();
    void removeSelected();
    void playSelected();
    void playFailed(long number, const QString& description);
    void showPlayError(long number, const QString& description);

    // The player, created on first use; nothing when there is no usable backend.
    MediaPlayer* player();
    void togglePlay();
    void showPosition(qint64 position);
    void showDuration(qint64 duration);
    void updateTransport();

    std::unique_ptr<::Ui::PlayerTab> m_ui;
    Platform& m_platform;
    // Declared last so it goes before the video widget it draws into.
    std::unique_ptr<MediaPlayer> m_player;
};

}  // namespace vemora
