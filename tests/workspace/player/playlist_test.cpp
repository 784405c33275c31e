#include "formats/Playlist.h"
#include "data/Encoding.h"
#include "workspace/player/PlayerFixture.h"

#include "support/FileSizeLimit.h"

#include "platform/QtSeams.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace vemora::test {
namespace {

using PlaylistFile = PlayerFixture;
using Entries = QStringList;

TEST_F(PlaylistFile, TwoEntriesSaveAsCrLfLinesInTheCodePageAndLoadBack) {
    const QString a = QStringLiteral("/music/caf\u00e9 \u20ac.mp3");
    const QString b = QStringLiteral("/video/clip.mpg");
    addFile(a);
    addFile(b);
    const QString file = path(QStringLiteral("two.plf"));
    savePlaylist(file);
    EXPECT_EQ(tp.files.requests().last().filter,
              QStringLiteral("Playlist files (*.plf)|*.plf|"
                             "M3U playlist (*.m3u;*.m3u8)|*.m3u;*.m3u8|"
                             "XSPF playlist (*.xspf)|*.xspf|"));
    EXPECT_EQ(tp.files.requests().last().title, QStringLiteral("Save Playlist"));
    const QByteArray bytes = read(file);
    EXPECT_EQ(bytes.size(), 5 + (a.size() + 2) + (b.size() + 2));
    EXPECT_EQ(bytes, QByteArray("PLF\r\n/music/caf\xe9 \x80.mp3\r\n/video/clip.mpg\r\n"));

    addFile(QStringLiteral("/other.wav"));
    openPlaylist(file);
    // Titled as the button, not with the program's name.
    EXPECT_EQ(tp.files.requests().last().title, QStringLiteral("Open Playlist"));
    EXPECT_EQ(tab.entries(), (Entries{a, b}));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, SavingReplacesTheWholeFile) {
    const QString file =
        write(QStringLiteral("old.plf"), "PLF\r\n/a/long/old/entry.mp3\r\n/b.mp3\r\n");
    savePlaylist(file);
    EXPECT_EQ(read(file), QByteArray("PLF\r\n"));
    addFile(QStringLiteral("/n.mp3"));
    openPlaylist(file);
    EXPECT_TRUE(tab.entries().isEmpty());

    addFile(QStringLiteral("/n.mp3"));
    savePlaylist(file);
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/n.mp3\r\n"));
}

TEST_F(PlaylistFile, FileWithoutTheExactMarkerLineIsRefusedAndLeavesTheListEmpty) {
    for (const char* bytes :
         {"plf\r\n/a.mp3\r\n", "PLF \r\n/a.mp3\r\n", "", "\xef\xbb\xbfPLF\r\n"}) {
        tp.prompter.clear();
        addFile(QStringLiteral("/listed.mp3"));
        openPlaylist(write(QStringLiteral("bad.plf"), bytes));
        EXPECT_TRUE(tab.entries().isEmpty()) << bytes;
        expectShown(QStringLiteral("Can't load playlist!"), QStringLiteral("Error"), vbOKOnly);
    }
}

TEST_F(PlaylistFile, ReadingKeepsRepeatsAndEmptyLinesAndAcceptsEveryLineEnd) {
    tab.Open_List(
        write(QStringLiteral("mixed.plf"), "PLF\r/a.mp3\r\n/a.mp3\r\r\n/b\nc.mp3\r\n/\xe9"));
    tab.Open_List(path(QStringLiteral("missing.plf")));
    tab.Open_List(write(QStringLiteral("one.plf"), "PLF\r\n/d.mp3\r\n"));
    EXPECT_EQ(tab.entries(), (Entries{QStringLiteral("/a.mp3"), QStringLiteral("/a.mp3"), QString(),
                                      QStringLiteral("/b\nc.mp3"), QStringLiteral("/\u00e9"),
                                      QStringLiteral("/d.mp3")}));
    openPlaylist(path(QStringLiteral("missing.plf")));
    EXPECT_TRUE(tab.entries().isEmpty());
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, CancelledOrEmptyDialogAnswersChangeNothing) {
    addFile(QStringLiteral("/a.mp3"));
    const QString file = write(QStringLiteral("kept.plf"), "PLF\r\n/b.mp3\r\n");
    for (const std::optional<QString>& answer :
         {std::optional<QString>(), std::optional(QString())}) {
        for (const char* command : {"cmdOpen", "cmdOpenPlaylist", "cmdSavePL"}) {
            tp.files.answer(answer);
            click(command);
        }
    }
    EXPECT_EQ(tab.entries(), Entries{QStringLiteral("/a.mp3")});
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), Entries{QStringLiteral("kept.plf")});
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/b.mp3\r\n"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, FailedSaveIsReportedAndLeavesListAndFileAsTheyWere) {
    addFile(QStringLiteral("/a.mp3"));
    QDir(dir.path()).mkdir(QStringLiteral("folder.plf"));
    for (const QString& target :
         {path(QStringLiteral("missing/list.plf")), path(QStringLiteral("folder.plf"))}) {
        tp.prompter.clear();
        savePlaylist(target);
        ASSERT_EQ(tp.prompter.count(), 1) << target.toStdString();
        EXPECT_TRUE(tp.prompter.last().text.startsWith(QStringLiteral("Can't save playlist!\r\n")));
        EXPECT_EQ(tp.prompter.last().style, vbExclamation);
        EXPECT_FALSE(QFileInfo(target).isFile());
    }

    // A path outside the code page would come back as another path: refused by name.
    const QString chinese = QStringLiteral("/music/\u4e2d\u6587.mp3");
    addFile(chinese);
    const QString file = write(QStringLiteral("old.plf"), "PLF\r\n/old.mp3\r\n");
    savePlaylist(file);
    EXPECT_TRUE(tp.prompter.last().text.contains(chinese));
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/old.mp3\r\n"));
    EXPECT_EQ(tab.entries(), (Entries{QStringLiteral("/a.mp3"), chinese}));
}

TEST_F(PlaylistFile, SaveOnAFullDiskNamesTheCauseAndKeepsTheOldFileWhole) {
    const QString file = write(QStringLiteral("old.plf"), "PLF\r\n/old.mp3\r\n");
    addFile(QStringLiteral("/music/a long enough name for a block.mp3"));
    {
        const FileSizeLimit full(8);
        savePlaylist(file);
    }
    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_EQ(tp.prompter.last().text, QStringLiteral("Can't save playlist!\r\nFile too large"));
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/old.mp3\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("old.plf")});
}

TEST(PlaylistFormat, EveryCodePageCharacterRoundTripsButACarriageReturnCannotBeStored) {
    QString all;
    for (int code = 0; code < 256; ++code)
        if (code != '\r') all.append(cp1252Char(code));
    const auto encoded = playlist::encode({all});
    ASSERT_TRUE(std::holds_alternative<QByteArray>(encoded));
    EXPECT_EQ(playlist::decode(std::get<QByteArray>(encoded)), Entries{all});

    const auto refused = playlist::encode({QStringLiteral("/a"), QStringLiteral("/b\r.mp3")});
    ASSERT_TRUE(std::holds_alternative<playlist::UnstorableEntry>(refused));
    EXPECT_EQ(std::get<playlist::UnstorableEntry>(refused).text, QStringLiteral("/b\r.mp3"));
}

TEST_F(PlaylistFile, M3uAndXspfAreWrittenAndReadByTheirExtension) {
    const Entries entries{QStringLiteral("/music/caf\u00e9 \u6771\u4eac.mp3"),
                          QStringLiteral("/video/a b#1.mpg")};
    for (const QString& entry : entries) addFile(entry);

    const QString m3u = path(QStringLiteral("list.M3U8"));
    savePlaylist(m3u);
    EXPECT_TRUE(read(m3u).startsWith("#EXTM3U\n/music/caf\xc3\xa9 "));
    const QString xspf = path(QStringLiteral("list.xspf"));
    savePlaylist(xspf);
    EXPECT_TRUE(read(xspf).contains("<location>file:///video/a%20b%231.mpg</location>"))
        << read(xspf).toStdString();
    for (const QString& file : {m3u, xspf}) {
        openPlaylist(file);
        EXPECT_EQ(tab.entries(), entries) << file.toStdString();
    }

    // Relative entries are found beside the playlist.
    openPlaylist(write(QStringLiteral("relative.m3u"), "#EXTM3U\n#EXTINF:1,Song\nsub/song.mp3\n"));
    EXPECT_EQ(tab.entries(), Entries{QDir(dir.path()).filePath(QStringLiteral("sub/song.mp3"))});
    EXPECT_EQ(tp.prompter.count(), 0);
    // Whatever is not an XSPF document is refused like a bad ".plf".
    openPlaylist(write(QStringLiteral("bad.xspf"), "PLF\r\n/a.mp3\r\n"));
    EXPECT_TRUE(tab.entries().isEmpty());
    expectShown(QStringLiteral("Can't load playlist!"), QStringLiteral("Error"), 0);
}

TEST_F(PlaylistFile, TitlesAreShownPlayedByTheirPathAndSavedWithTheList) {
    const QString song = write(QStringLiteral("song.ogg"), "not really audio");
    openPlaylist(write(QStringLiteral("titled.m3u"),
                       "#EXTM3U\n#EXTINF:3,Morning Song\nsong.ogg\n/music/untitled.ogg\n"));
    // The dialog offers every playlist at once first, and any file last.
    const QStringList offered = toQtFilter(tp.files.requests().last().filter).split(u";;"_s);
    EXPECT_EQ(offered.first(), u"All playlists (*.plf *.m3u *.m3u8 *.xspf)"_s);
    EXPECT_EQ(offered.last(), u"All files (*)"_s);
    EXPECT_EQ(tab.entries(), (Entries{song, QStringLiteral("/music/untitled.ogg")}));
    EXPECT_EQ(list()->item(0)->text(), u"Morning Song"_s);
    EXPECT_EQ(list()->item(0)->toolTip(), song);
    EXPECT_EQ(list()->item(1)->text(), u"/music/untitled.ogg"_s);
    select(0);
    QTest::keyClick(list(), Qt::Key_Return);
    ASSERT_NE(media.player, nullptr);
    EXPECT_EQ(media.player->fileName(), song);

    const QString xspf = path(QStringLiteral("titled.xspf"));
    savePlaylist(xspf);
    EXPECT_TRUE(read(xspf).contains("<title>Morning Song</title>"));
    const QString plf = path(QStringLiteral("titled.plf"));
    savePlaylist(plf);
    EXPECT_EQ(read(plf), "PLF\r\n" + song.toLatin1() + "\r\n/music/untitled.ogg\r\n");
    openPlaylist(xspf);
    EXPECT_EQ(tab.titledEntries(),
              (QList<playlist::Entry>{{song, u"Morning Song"_s}, {u"/music/untitled.ogg"_s}}));
    EXPECT_EQ(tp.prompter.count(), 0);
}

}  // namespace
}  // namespace vemora::test
