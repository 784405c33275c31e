#include "data/Encoding.h"
#include "workspace/player/Playlist.h"
#include "workspace/player/PlayerFixture.h"

#include <QFileInfo>

namespace vemora::test {
namespace {

const QString kCantLoad = QStringLiteral("Can't load playlist!");

using PlaylistFile = PlayerFixture;

TEST_F(PlaylistFile, SavedListHasTheMarkerAndOneCrLfLinePerEntryAndLoadsBackTheSame) {
    const QString a = QStringLiteral("/music/caf\u00e9 \u20ac.mp3");
    const QString b = QStringLiteral("/video/clip.mpg");
    addFile(a);
    addFile(b);
    const QString file = path(QStringLiteral("two.plf"));
    savePlaylist(file);

    const QByteArray bytes = read(file);
    EXPECT_EQ(bytes.size(), 5 + (a.size() + 2) + (b.size() + 2));
    EXPECT_EQ(bytes, QByteArray("PLF\r\n/music/caf\xe9 \x80.mp3\r\n/video/clip.mpg\r\n"));
    EXPECT_EQ(tp.files.requests().last().filter, QStringLiteral("Playlist files (*.plf)|*.plf|"));

    addFile(QStringLiteral("/other.wav"));
    openPlaylist(file);
    EXPECT_EQ(tab.entries(), (QStringList{a, b}));
    EXPECT_EQ(tp.files.requests().last().filter, QStringLiteral("Playlist files (*.plf)|*.plf|"));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, EmptyListIsTheMarkerLineAlone) {
    const QString file = path(QStringLiteral("empty.plf"));
    savePlaylist(file);
    EXPECT_EQ(read(file), QByteArray("PLF\r\n"));

    addFile(QStringLiteral("/a.mp3"));
    openPlaylist(file);
    EXPECT_TRUE(tab.entries().isEmpty());
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, SavingOverALongerFileLeavesExactlyTheNewList) {
    const QString file = write(QStringLiteral("old.plf"), "PLF\r\n/a/very/long/old/entry.mp3\r\n/b.mp3\r\n");
    addFile(QStringLiteral("/n.mp3"));
    savePlaylist(file);
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/n.mp3\r\n"));
}

TEST_F(PlaylistFile, FirstLineOtherThanTheMarkerIsRefusedAndLeavesTheListEmpty) {
    for (const QByteArray& bytes :
         {QByteArray("plf\r\n/a.mp3\r\n"), QByteArray("PLF \r\n/a.mp3\r\n"), QByteArray(""),
          QByteArray("\xef\xbb\xbfPLF\r\n/a.mp3\r\n")}) {
        tp.prompter.clear();
        addFile(QStringLiteral("/kept-until-loading.mp3"));
        openPlaylist(write(QStringLiteral("bad.plf"), bytes));
        EXPECT_TRUE(tab.entries().isEmpty()) << bytes.toStdString();
        ASSERT_EQ(tp.prompter.count(), 1) << bytes.toStdString();
        EXPECT_EQ(tp.prompter.last().text, kCantLoad);
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Error"));
        EXPECT_EQ(tp.prompter.last().style, vbOKOnly);
    }
}

TEST_F(PlaylistFile, ReadingKeepsRepeatsEmptyLinesAndAcceptsEveryLineEnd) {
    openPlaylist(write(QStringLiteral("mixed.plf"),
                       "PLF\r/a.mp3\r\n/a.mp3\r\r\n/b\nc.mp3\r\n/\xe9\x80.mp3"));
    EXPECT_EQ(tab.entries(), (QStringList{QStringLiteral("/a.mp3"), QStringLiteral("/a.mp3"),
                                          QString(), QStringLiteral("/b\nc.mp3"),
                                          QStringLiteral("/\u00e9\u20ac.mp3")}));
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, MissingPlaylistEmptiesTheListSilently) {
    addFile(QStringLiteral("/a.mp3"));
    openPlaylist(path(QStringLiteral("nowhere.plf")));
    EXPECT_TRUE(tab.entries().isEmpty());
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, OpenListAppendsToTheList) {
    addFile(QStringLiteral("/a.mp3"));
    tab.Open_List(write(QStringLiteral("one.plf"), "PLF\r\n/b.mp3\r\n"));
    EXPECT_EQ(tab.entries(), (QStringList{QStringLiteral("/a.mp3"), QStringLiteral("/b.mp3")}));
}

TEST_F(PlaylistFile, CancelledOrEmptyDialogAnswersChangeNothing) {
    addFile(QStringLiteral("/a.mp3"));
    const QString file = write(QStringLiteral("kept.plf"), "PLF\r\n/b.mp3\r\n");
    for (const std::optional<QString>& answer : {std::optional<QString>(), std::optional(QString())}) {
        for (const char* command : {"cmdOpen", "cmdOpenPlaylist", "cmdSavePL"}) {
            tp.files.answer(answer);
            click(command);
        }
    }
    EXPECT_EQ(tp.files.requests().size(), 6);
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/a.mp3")});
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/b.mp3\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.plf")});
    EXPECT_EQ(tp.prompter.count(), 0);
}

TEST_F(PlaylistFile, UnwritableTargetIsReportedAndChangesNothing) {
    addFile(QStringLiteral("/a.mp3"));
    QDir(dir.path()).mkdir(QStringLiteral("folder.plf"));
    for (const QString& target :
         {path(QStringLiteral("missing/list.plf")), path(QStringLiteral("folder.plf"))}) {
        tp.prompter.clear();
        savePlaylist(target);
        ASSERT_EQ(tp.prompter.count(), 1) << target.toStdString();
        EXPECT_TRUE(tp.prompter.last().text.startsWith(QStringLiteral("Can't save playlist!\r\n")));
        EXPECT_EQ(tp.prompter.last().title, QStringLiteral("Error"));
        EXPECT_EQ(tp.prompter.last().style, vbExclamation);
        EXPECT_FALSE(QFileInfo(target).isFile());
    }
    EXPECT_EQ(tab.entries(), QStringList{QStringLiteral("/a.mp3")});
}

TEST_F(PlaylistFile, EntryOutsideTheCodePageIsRefusedByNameAndTheOldFileStays) {
    const QString file = write(QStringLiteral("old.plf"), "PLF\r\n/old.mp3\r\n");
    const QString chinese = QStringLiteral("/music/\u4e2d\u6587.mp3");
    addFile(QStringLiteral("/a.mp3"));
    addFile(chinese);
    savePlaylist(file);

    ASSERT_EQ(tp.prompter.count(), 1);
    EXPECT_TRUE(tp.prompter.last().text.contains(chinese));
    EXPECT_EQ(tp.prompter.last().style, vbExclamation);
    EXPECT_EQ(read(file), QByteArray("PLF\r\n/old.mp3\r\n"));
    EXPECT_EQ(tab.entries().size(), 2);
}

TEST(PlaylistFormat, EntryWithACarriageReturnCannotBeStored) {
    const auto encoded = playlist::encode({QStringLiteral("/a.mp3"), QStringLiteral("/b\r.mp3")});
    ASSERT_TRUE(std::holds_alternative<playlist::UnstorableEntry>(encoded));
    EXPECT_EQ(std::get<playlist::UnstorableEntry>(encoded).text, QStringLiteral("/b\r.mp3"));
}

TEST(PlaylistFormat, EveryCodePageCharacterRoundTrips) {
    QString all;
    for (int code = 0; code < 256; ++code)
        if (code != '\r') all.append(cp1252Char(code));
    const auto encoded = playlist::encode({all});
    ASSERT_TRUE(std::holds_alternative<QByteArray>(encoded));
    EXPECT_EQ(std::get<QByteArray>(encoded).size(), 5 + 255 + 2);
    EXPECT_EQ(playlist::decode(std::get<QByteArray>(encoded)), QStringList{all});
}

}  // namespace
}  // namespace vemora::test
