#include "data/DbError.h"
#include "platform/QtSeams.h"
#include "workspace/player/PlayerFixture.h"

#include <QCoreApplication>
#include <QLabel>
#include <QRegularExpression>
#include <QSlider>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

const QString kSure = QStringLiteral("Are you sure?");
const QString kDriverNeeded = QStringLiteral(
    "Sorry can't play this file. The file needs another driver!\r\nTry DivX Player instead.");

using PlaylistCommands = PlayerFixture;

TEST_F(PlaylistCommands, AddFilesRefusesAnExactRepeatButNotAnotherLetterCase) {
    addFile(QStringLiteral("/Music/Song.mp3"));
    addFile(QStringLiteral("/Music/Song.mp3"));
    addFile(QStringLiteral("/music/song.mp3"));
    EXPECT_EQ(tab.entries(),
              (QStringList{QStringLiteral("/Music/Song.mp3"), QStringLiteral("/music/song.mp3")}));
    // The dialog offers every kind of media the player takes, and any file at all.
    const QStringList offered = toQtFilter(tp.files.requests().last().filter).split(u";;"_s);
    EXPECT_EQ(offered.size(), 5);
    for (const QString& name :
         {u"a.mp3"_s, u"a.mp4"_s, u"a.mid"_s, u"a.rmi"_s, u"a.wav"_s, u"a.asf"_s, u"a.mpg"_s,
          u"a.mpeg"_s, u"a.asx"_s, u"a.qt"_s, u"a.aif"_s, u"README"_s, u"a.ogg"_s, u"a.oga"_s,
          u"a.opus"_s, u"a.flac"_s, u"a.m4a"_s, u"a.webm"_s, u"a.mkv"_s}) {
        const bool taken = std::any_of(offered.cbegin(), offered.cend(), [&name](const QString& f) {
            const QStringList patterns = f.section(u'(', -1).chopped(1).split(u' ');
            return std::any_of(patterns.cbegin(), patterns.cend(), [&name](const QString& p) {
                return QRegularExpression(QRegularExpression::wildcardToRegularExpression(p))
                    .match(name)
                    .hasMatch();
            });
        });
        EXPECT_TRUE(taken) << name.toStdString();
    }
    EXPECT_EQ(tp.files.requests().last().purpose, FilePurpose::Media);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistCommands, RemoveAndDeleteTakeOnlyTheSelectionClearAsksFirst) {
    for (const char* name : {"/a.mp3", "/b.mp3", "/c.mp3"}) addFile(QString::fromLatin1(name));
    click("cmdRemove");  // nothing selected
    list()->setFocus();
    tp.prompter.answer(Answer::Yes);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(tab.entries().size(), 3);
    expectShown(QStringLiteral("Are you sure you want to remove this from the playlist?"), kSure,
                vbQuestion | vbYesNo);

    select(1);
    tp.prompter.answer(Answer::No);
    QTest::keyClick(list(), Qt::Key_Delete);
    EXPECT_EQ(tab.entries().size(), 3);
    tp.prompter.answer(Answer::Yes);
    QTest::keyClick(list(), Qt::Key_Delete);
    select(0);
    click("cmdRemove");
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/c.mp3")});
    EXPECT_EQ(tp.prompter.count(), 3);

    tp.prompter.answer(Answer::No);
    click("cmdClearPL");
    EXPECT_EQ(tab.entries().size(), 1);
    tp.prompter.answer(Answer::Yes);
    click("cmdClearPL");
    EXPECT_TRUE(tab.entries().isEmpty());
    expectShown(QStringLiteral("Are you sure you want to clear the playlist?"), kSure,
                vbQuestion | vbYesNo);
}

class Playing : public PlayerFixture {
protected:
    Playing() {
        addFile(song);
        addFile(clip);
    }
    void doubleClick(int row) {
        // As a mouse sends it: a click, then the double-click.
        const QPoint at = list()->visualItemRect(list()->item(row)).center();
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);
    }
    void pressEnter() {
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Return);
    }
    QString song = write(QStringLiteral("song.mp3"), "ID3");
    QString clip = write(QStringLiteral("clip.mpg"), "MPG");
};

TEST_F(Playing, DoubleClickOrEnterStartsAnEntryOnceAndSkipsMissingFiles) {
    pressEnter();  // nothing selected
    QFile::remove(clip);
    doubleClick(1);
    EXPECT_EQ(media.created, 0);

    doubleClick(0);
    ASSERT_NE(media.player, nullptr);
    doubleClick(0);
    pressEnter();
    EXPECT_EQ(media.player->fileNames, QStringList{song});
    EXPECT_EQ(media.player->plays, 1);

    write(QStringLiteral("clip.mpg"), "MPG");
    select(1);
    pressEnter();
    EXPECT_EQ(media.player->fileNames, (QStringList{song, clip}));
    EXPECT_EQ(media.player->plays, 2);
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(Playing, PlayerErrorsAreReportedByTheirNumber) {
    doubleClick(0);
    ASSERT_NE(media.player, nullptr);
    media.player->failure = std::pair{kErrGeneral, QStringLiteral("Could not open")};
    doubleClick(1);
    expectShown(kDriverNeeded, QStringLiteral("Driver/Player needed!"), vbExclamation);

    media.player->failure = std::pair{-2147024891L, QStringLiteral("Access denied")};
    doubleClick(0);
    expectShown(QStringLiteral("-2147024891Access denied"), QCoreApplication::applicationName(),
                vbOKOnly);

    // Without a sound output the same message goes on to say so.
    media.player->soundOutput = false;
    media.player->failure = std::pair{kErrGeneral, QStringLiteral("Could not open")};
    doubleClick(1);
    expectShown(
        kDriverNeeded + QStringLiteral("\r\n\r\nThis computer has no sound output, so nothing can "
                                       "be played. (Could not open)"),
        QStringLiteral("Driver/Player needed!"), vbExclamation);
}

TEST_F(Playing, AfterAFailureTheControlsAreStoppedAndTheEntryCanBeTriedAgain) {
    doubleClick(0);
    ASSERT_NE(media.player, nullptr);
    ScriptedMediaPlayer& p = *media.player;
    ASSERT_TRUE(button("cmdStop")->isEnabled());
    p.failure = std::pair{kErrGeneral, QStringLiteral("Could not open")};
    doubleClick(1);
    EXPECT_EQ(p.state(), MediaPlayer::State::Stopped);
    EXPECT_FALSE(button("cmdStop")->isEnabled());
    EXPECT_FALSE(button("cmdPlayPause")->isEnabled());
    EXPECT_EQ(button("cmdPlayPause")->toolTip(), QStringLiteral("Play"));
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblNowPlaying"))->text(), QString());

    doubleClick(1);
    EXPECT_EQ(p.plays, 3);
    EXPECT_EQ(p.state(), MediaPlayer::State::Playing);
}

TEST_F(Playing, WithoutABackendPlayingAsksForAnotherDriverAndTheListStillWorks) {
    media.usable = false;
    doubleClick(0);
    tp.platform.media = nullptr;
    PlayerTab bare(tp.platform);
    bare.Open_List(write(QStringLiteral("list.plf"), "PLF\r\n" + song.toUtf8()));
    auto* box = bare.findChild<QListWidget*>(QStringLiteral("ListBox"));
    box->setCurrentRow(0);
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(tp.prompter.count(), 2);
    expectShown(kDriverNeeded, QStringLiteral("Driver/Player needed!"), vbExclamation);
    EXPECT_EQ(bare.entries(), QStringList{song});
}

TEST_F(Playing, TransportControlsDriveThePlayer) {
    auto* position = tab.findChild<QSlider*>(QStringLiteral("sldPosition"));
    EXPECT_FALSE(button("cmdPlayPause")->isEnabled());
    tab.findChild<QSlider*>(QStringLiteral("sldVolume"))->setValue(40);
    doubleClick(0);
    ASSERT_NE(media.player, nullptr);
    ScriptedMediaPlayer& p = *media.player;
    EXPECT_EQ(p.volume, 40);
    p.loaded(125000);
    p.setPosition(61000);
    EXPECT_EQ(tab.findChild<QLabel*>(QStringLiteral("lblTime"))->text(),
              QStringLiteral("1:01 / 2:05"));
    EXPECT_EQ(position->value(), 61000);

    click("cmdPlayPause");
    EXPECT_EQ(p.state(), MediaPlayer::State::Paused);
    position->setFocus();
    QTest::keyClick(position, Qt::Key_PageUp);
    EXPECT_GT(p.position(), 61000);
    click("cmdStop");
    EXPECT_EQ(p.state(), MediaPlayer::State::Stopped);
    EXPECT_FALSE(button("cmdStop")->isEnabled());
    click("cmdPlayPause");
    EXPECT_EQ(p.state(), MediaPlayer::State::Playing);
}

}  // namespace
}  // namespace vemora::test
