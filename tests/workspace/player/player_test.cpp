#include "data/DbError.h"
#include "workspace/player/PlayerFixture.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>

namespace vemora::test {
namespace {

const QString kMediaFilter = QStringLiteral(
    "Mp3 files(*.mp3;*.mp4)|*.mp3;*.mp4|Midi files (*.mid;*.rmi)|*.mid;*.rmi|"
    "Other audio files (*.wav;*.asf;*.mpg;*.mpeg;*;.asx;*.qt;*.aif)"
    "|*.wav;*.asf;*.mpg;*.mpeg;*.asx;*.qt;*.aif|All files (*.*)|*.*|");
const QString kDriverNeeded = QStringLiteral(
    "Sorry can't play this file. The file needs another driver!\r\nTry DivX Player instead.");

using PlaylistCommands = PlayerFixture;

TEST_F(PlaylistCommands, TabShowsItsCaptionsWithEveryButtonEnabled) {
    EXPECT_EQ(tab.findChild<QGroupBox*>(QStringLiteral("Frame10"))->title(),
              QStringLiteral("VIDEO/MUSIC PLAYER"));
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblPlaylist"))->text(),
              QStringLiteral("VIDEO/MUSIC PLAYLIST"));
    const std::pair<const char*, const char*> captions[] = {
        {"cmdOpen", "&Add Files"},   {"cmdOpenPlaylist", "&Open Playlist"},
        {"cmdSavePL", "&Save Playlist"}, {"cmdRemove", "&Remove"},
        {"cmdClearPL", "&Clear"},    {"cmdRefreshPL", "&Refresh"}};
    for (const auto& [name, caption] : captions) {
        EXPECT_EQ(button(name)->text(), QString::fromLatin1(caption));
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    }
    EXPECT_EQ(list()->count(), 0);
}

TEST_F(PlaylistCommands, AddFilesRefusesAnExactRepeatButNotAnotherLetterCase) {
    addFile(QStringLiteral("/Music/Song.mp3"));
    EXPECT_EQ(tp.files.requests().last().filter, kMediaFilter);
    addFile(QStringLiteral("/Music/Song.mp3"));
    addFile(QStringLiteral("/music/song.mp3"));
    EXPECT_EQ(tab.entries(),
              (QStringList{QStringLiteral("/Music/Song.mp3"), QStringLiteral("/music/song.mp3")}));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistCommands, RemoveTakesTheSelectedEntryWithoutAsking) {
    addFile(QStringLiteral("/a.mp3"));
    addFile(QStringLiteral("/b.mp3"));
    click("cmdRemove");
    EXPECT_EQ(tab.entries().size(), 2);
    select(0);
    click("cmdRemove");
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/b.mp3")});
    click("cmdRefreshPL");
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/b.mp3")});
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistCommands, ClearAsksAndEmptiesOnlyOnYes) {
    addFile(QStringLiteral("/a.mp3"));
    tp.prompter.answer(Answer::No);
    click("cmdClearPL");
    EXPECT_EQ(tab.entries().size(), 1);
    tp.prompter.answer(Answer::Yes);
    click("cmdClearPL");
    EXPECT_TRUE(tab.entries().isEmpty());
    ASSERT_EQ(tp.prompter.count(), 2);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Are you sure you want to clear the playlist?"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Are you sure?"));
    EXPECT_EQ(tp.prompter.last().style, vbQuestion | vbYesNo);
}

TEST_F(PlaylistCommands, DeleteKeyAsksThenRemovesTheSelectionIfAny) {
    addFile(QStringLiteral("/a.mp3"));
    addFile(QStringLiteral("/b.mp3"));
    list()->setFocus();

    tp.prompter.answer(Answer::Yes);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(tab.entries().size(), 2);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text,
              QStringLiteral("Are you sure you want to remove this from the playlist?"));
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Are you sure?"));
    EXPECT_EQ(tp.prompter.last().style, vbQuestion | vbYesNo);

    select(1);
    tp.prompter.answer(Answer::No);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(tab.entries().size(), 2);
    tp.prompter.answer(Answer::Yes);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/a.mp3")});
}

class Playing : public PlayerFixture {
protected:
    Playing() {
        song = write(QStringLiteral("song.mp3"), "ID3");
        clip = write(QStringLiteral("clip.mpg"), "MPG");
        addFile(song);
        addFile(clip);
    }
    void doubleClick(int row) {
        const QRect r = list()->visualItemRect(list()->item(row));
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, r.center());
    }
    QString song;
    QString clip;
};

TEST_F(Playing, DoubleClickOrEnterStartsAnEntryButNeverRestartsTheLoadedOne) {
    doubleClick(0);
    ASSERT_NE(media.player, nullptr);
    EXPECT_EQ(media.player->fileNames, QStringList{song});
    EXPECT_EQ(media.player->plays, 1);

    doubleClick(0);
    EXPECT_EQ(media.player->plays, 1);

    select(1);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(media.player->fileNames, (QStringList{song, clip}));
    EXPECT_EQ(media.player->plays, 2);
    EXPECT_EQ(media.created, 1);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(Playing, DeletedFileOrNoSelectionDoesNothing) {
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_Return);
    QFile::remove(song);
    doubleClick(0);
    EXPECT_EQ(media.created, 0);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(Playing, RemovingOrClearingLeavesThePlayerPlaying) {
    doubleClick(0);
    click("cmdRemove");
    tp.prompter.answer(Answer::Yes);
    click("cmdClearPL");
    EXPECT_TRUE(tab.entries().isEmpty());
    EXPECT_EQ(media.player->state(), MediaPlayer::State::Playing);
    EXPECT_EQ(media.player->fileName(), song);
}

TEST_F(Playing, FileThePlayerCannotOpenAsksForAnotherDriver) {
    doubleClick(0);
    media.player->failure = std::pair{kErrGeneral, QStringLiteral("Could not open")};
    doubleClick(1);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, kDriverNeeded);
    EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Driver/Player needed!"));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
}

TEST_F(Playing, OtherPlayerErrorsShowTheirNumberAndDescription) {
    doubleClick(0);
    media.player->failure = std::pair{-2147024891L, QStringLiteral("Access denied")};
    doubleClick(1);
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("-2147024891Access denied"));
    EXPECT_EQ(tp.prompter.last().title, QCoreApplication::applicationName());
    EXPECT_EQ(tp.prompter.last().style, vbOKOnly);
}

TEST_F(Playing, WithoutABackendPlayingAsksForAnotherDriverAndTheListStillWorks) {
    for (bool noFactory : {false, true}) {
        tp.prompter.clear();
        media.usable = false;
        if (noFactory) tp.platform.media = nullptr;
        PlayerTab bare(tp.platform);
        bare.Open_List(write(QStringLiteral("list.plf"), "PLF\r\n" + song.toUtf8() + "\r\n"));
        auto* box = bare.findChild<QListWidget*>(QStringLiteral("ListBox"));
        box->setCurrentRow(0);
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Return);
        ASSERT_EQ(tp.prompter.count(), 1);
        EXPECT_EQ(tp.prompter.last().text, kDriverNeeded);
        EXPECT_EQ(bare.entries(), QStringList{song});
    }
}

TEST_F(Playing, TransportControlsDriveThePlayer) {
    auto* playPause = button("cmdPlayPause");
    auto* stop = button("cmdStop");
    auto* position = tab.findChild<QSlider*>(QStringLiteral("sldPosition"));
    auto* volume = tab.findChild<QSlider*>(QStringLiteral("sldVolume"));
    EXPECT_FALSE(playPause->isEnabled());
    EXPECT_FALSE(stop->isEnabled());
    volume->setValue(40);

    doubleClick(0);
    ScriptedMediaPlayer& p = *media.player;
    EXPECT_EQ(p.volume(), 40);
    p.loaded(125000);
    p.setPosition(61000);
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblTime"))->text(), QStringLiteral("1:01 / 2:05"));
    EXPECT_EQ(position->value(), 61000);
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblNowPlaying"))->text(),
              QStringLiteral("song.mp3"));

    EXPECT_EQ(playPause->toolTip(), QStringLiteral("Pause"));
    click("cmdPlayPause");
    EXPECT_EQ(p.state(), MediaPlayer::State::Paused);
    EXPECT_EQ(playPause->toolTip(), QStringLiteral("Play"));
    click("cmdPlayPause");
    EXPECT_EQ(p.state(), MediaPlayer::State::Playing);

    position->setFocus();
    QTest::keyClick(position, Qt::Key_PageUp);
    EXPECT_GT(p.position(), 61000);
    volume->setValue(70);
    EXPECT_EQ(p.volume(), 70);

    click("cmdStop");
    EXPECT_EQ(p.state(), MediaPlayer::State::Stopped);
    EXPECT_FALSE(stop->isEnabled());
    EXPECT_EQ(position->value(), 0);
    EXPECT_TRUE(playPause->isEnabled());
}

}  // namespace
}  // namespace vemora::test
