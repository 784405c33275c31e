#include "formats/Playlist.h"

#include <gtest/gtest.h>

#include <QStringEncoder>

using namespace Qt::StringLiterals;

namespace vemora::playlist {
namespace {

// The playlist format as bytes, without the player tab around it.
TEST(PlaylistFormat, EntriesRoundTripInTheCodePageWithCrLfLines) {
    const QStringList entries{u"/music/caf\u00e9 \u20ac.mp3"_s, u""_s, u"/b\nc.mp3"_s};
    const auto bytes = encode(entries);
    ASSERT_TRUE(std::holds_alternative<QByteArray>(bytes));
    EXPECT_EQ(std::get<QByteArray>(bytes),
              QByteArray("PLF\r\n/music/caf\xe9 \x80.mp3\r\n\r\n/b\nc.mp3\r\n"));
    EXPECT_EQ(decode(std::get<QByteArray>(bytes)), entries);
}

TEST(PlaylistFormat, WhatTheFileCannotCarryIsNamedNotAltered) {
    for (const QString& bad : {u"/\u65e5.mp3"_s, u"/a\rb.mp3"_s}) {
        const auto bytes = encode({u"/ok.mp3"_s, bad});
        ASSERT_TRUE(std::holds_alternative<UnstorableEntry>(bytes));
        EXPECT_EQ(std::get<UnstorableEntry>(bytes).text, bad);
    }
}

TEST(PlaylistFormat, OnlyTheExactMarkerLineIsAPlaylist) {
    for (const char* bytes : {"plf\r\n/a.mp3\r\n", "PLF \r\n", "", "\xef\xbb\xbfPLF\r\n"})
        EXPECT_FALSE(decode(QByteArray(bytes))) << bytes;
    EXPECT_EQ(decode("PLF\r/a.mp3\r\n/b.mp3"), (QStringList{u"/a.mp3"_s, u"/b.mp3"_s}));
    EXPECT_EQ(decode("PLF\r\n"), QStringList());
}

TEST(PlaylistFormat, TheFormatComesFromTheExtensionInAnyCase) {
    EXPECT_EQ(formatOf(u"/a/list.m3u"_s), Format::M3u);
    EXPECT_EQ(formatOf(u"/a/LIST.M3U8"_s), Format::M3u8);
    EXPECT_EQ(formatOf(u"/a.b/list.Xspf"_s), Format::Xspf);
    EXPECT_EQ(formatOf(u"/a/list.plf"_s), Format::Plf);
    EXPECT_EQ(formatOf(u"/a/list.txt"_s), Format::Plf);
    EXPECT_EQ(formatOf(u"/a.m3u/list"_s), Format::Plf);
}

QList<Entry> untitled(const QStringList& locations) {
    QList<Entry> entries;
    for (const QString& location : locations) entries.append({location});
    return entries;
}

QStringList locationsOf(const std::optional<QList<Entry>>& entries) {
    QStringList locations;
    for (const Entry& entry : entries.value_or(QList<Entry>())) locations.append(entry.location);
    return locations;
}

// Absolute paths with what URIs and the formats' own syntax must carry.
const QStringList kHardEntries{u"/music/My Song.mp3"_s,
                               u"/music/caf\u00e9 \u65e5\u672c \U0001F600.ogg"_s,
                               u"/music/100% #1 ?&<b>.mp3"_s, u"/music/a'b`c;d,e.wav"_s,
                               u"http://radio.example/stream?x=1&y=2"_s};

TEST(PlaylistFormat, M3uRoundTripsAbsolutePathsInUtf8) {
    const QByteArray bytes = encodeM3u(untitled(kHardEntries));
    EXPECT_TRUE(bytes.startsWith("#EXTM3U\n/music/My Song.mp3\n/music/caf\xc3\xa9 "));
    EXPECT_FALSE(bytes.contains('\r'));
    EXPECT_EQ(decodeM3u(bytes, u"/elsewhere"_s), untitled(kHardEntries));
}

TEST(PlaylistFormat, M3uReadsExtinfRelativePathsUrisAndLegacyBytes) {
    const QByteArray bytes =
        "\xef\xbb\xbf#EXTM3U\r\n#EXTINF:123,Artist - Title\r\nsong one.mp3\r\n\r\n"
        "#EXTINF:-1,Radio\r\nhttp://radio.example/live\r\n../other/two.flac\r\n"
        "file:///music/Three%20%C3%A9.mp3\r\n/abs/four.mp3\r\nsub/./five.mp3";
    EXPECT_EQ(locationsOf(decodeM3u(bytes, u"/home/u/lists"_s)),
              (QStringList{u"/home/u/lists/song one.mp3"_s, u"http://radio.example/live"_s,
                           u"/home/u/other/two.flac"_s, u"/music/Three \u00e9.mp3"_s,
                           u"/abs/four.mp3"_s, u"/home/u/lists/sub/five.mp3"_s}));
    // An .m3u from Windows in its code page; lone CR line ends.
    EXPECT_EQ(locationsOf(decodeM3u("caf\xe9 \x80.mp3\r/x.mp3", u"/l"_s)),
              (QStringList{u"/l/caf\u00e9 \u20ac.mp3"_s, u"/x.mp3"_s}));
    EXPECT_TRUE(decodeM3u("", u"/l"_s).isEmpty());
    EXPECT_TRUE(decodeM3u("#EXTM3U\n#only comments\n  \n", u"/l"_s).isEmpty());
}

TEST(PlaylistFormat, M3uFromOtherPlayersKeepsTitlesInAnyUnicodeForm) {
    const QString text =
        u"#EXTM3U\r\n\t#EXTINF:212 tvg-name=\"a,b\",Ölund \u2013  Night\r\n  # a comment\r\n"
        "/music/night.ogg\r\n\t #EXTINF:5\r\n/music/plain.ogg\r\n/music/\u6771.flac\r\n"_s;
    const QList<Entry> expected{{u"/music/night.ogg"_s, u"Ölund \u2013 Night"_s},
                                {u"/music/plain.ogg"_s},
                                {u"/music/\u6771.flac"_s}};
    for (const auto encoding :
         {QStringConverter::Utf16LE, QStringConverter::Utf16BE, QStringConverter::Utf8}) {
        QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
        EXPECT_EQ(decodeM3u(encoder(text), u"/l"_s), expected) << int(encoding);
    }
    const QByteArray written = encodeM3u(expected);
    EXPECT_TRUE(written.startsWith("#EXTM3U\n#EXTINF:-1,\xc3\x96lund"));
    EXPECT_EQ(decodeM3u(written, u"/other"_s), expected);
}

TEST(PlaylistFormat, XspfIsReadWithoutItsNamespaceOrWithAPrefixAndKeepsTitles) {
    const QList<Entry> expected{{u"/music/one.ogg"_s, u"One & Only"_s}, {u"/music/two.ogg"_s}};
    for (const char* bytes :
         {"<playlist version=\"1\"><trackList><track><location>file:///music/one.ogg</location>"
          "<title> One &amp; Only </title></track><track><location>/music/two.ogg</location>"
          "</track></trackList></playlist>",
          "<x:playlist xmlns:x=\"http://xspf.org/ns/0/\"><x:trackList><x:track><x:title>One &amp; "
          "Only</x:title><x:location>/music/one.ogg</x:location></x:track><x:track><x:location>"
          "/music/two.ogg</x:location></x:track></x:trackList></x:playlist>",
          "<x:playlist><x:trackList><x:track><x:title>One &amp; Only</x:title><x:location>"
          "/music/one.ogg</x:location></x:track><x:track><x:location>/music/two.ogg</x:location>"
          "</x:track></x:trackList></x:playlist>"})
        EXPECT_EQ(decodeXspf(QByteArray(bytes), u"/l"_s), expected) << bytes;
    const QByteArray written = encodeXspf(expected);
    EXPECT_TRUE(written.contains("<title>One &amp; Only</title>")) << written.toStdString();
    EXPECT_EQ(decodeXspf(written, u"/other"_s), expected);
}

// UTF-7 lets a lone surrogate through, which no file name or saved text can hold: it reads as
// U+FFFD.
TEST(PlaylistFormat, XspfTextsWithALoneSurrogateOrANoncharacterReadAsTheySaveAndReadBack) {
    const QByteArray bytes =
        "<?xml version=\"1.0\" encoding=\"UTF-7\"?><playlist><trackList><track><location>"
        "/music/a+2Kg-b.ogg</location><title>x+2Kg-y</title></track></trackList></playlist>";
    const QList<Entry> expected{{u"/music/a\uFFFDb.ogg"_s, u"x\uFFFDy"_s}};
    EXPECT_EQ(decodeXspf(bytes, u"/l"_s), expected);
    EXPECT_EQ(decodeXspf(encodeXspf(expected), u"/other"_s), expected);

    // U+FDD0 and U+1FFFE: a file URL drops them, so they read as U+FFFD from the start.
    const QByteArray noncharacters =
        "<playlist><trackList><track><location>/music/a\xEF\xB7\x90"
        "b\xF0\x9F\xBF\xBE.ogg"
        "</location><title>x\xEF\xB7\x90y</title></track></trackList></playlist>";
    const QList<Entry> replaced{{u"/music/a\uFFFDb\uFFFD.ogg"_s, u"x\uFFFDy"_s}};
    EXPECT_EQ(decodeXspf(noncharacters, u"/l"_s), replaced);
    EXPECT_EQ(decodeXspf(encodeXspf(replaced), u"/other"_s), replaced);
}

TEST(PlaylistFormat, XspfRoundTripsPathsAsPercentEncodedFileUris) {
    const QByteArray bytes = encodeXspf(untitled(kHardEntries));
    EXPECT_TRUE(bytes.contains("<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\">"));
    EXPECT_TRUE(bytes.contains("<location>file:///music/My%20Song.mp3</location>"));
    EXPECT_TRUE(bytes.contains("<location>file:///music/caf%C3%A9%20%E6%97%A5"));
    EXPECT_TRUE(bytes.contains("<location>file:///music/100%25%20%231%20%3F&amp;%3Cb%3E.mp3"));
    EXPECT_EQ(decodeXspf(bytes, u"/elsewhere"_s), untitled(kHardEntries));
    EXPECT_EQ(decodeXspf(encodeXspf({}), u"/"_s), QList<Entry>());
}

TEST(PlaylistFormat, XspfReadsRelativeLocationsAlternativesAndExtensions) {
    const QByteArray bytes = R"(<?xml version="1.0" encoding="UTF-8"?>
<playlist version="1" xmlns="http://xspf.org/ns/0/" xmlns:vlc="http://www.videolan.org/vlc/playlist/ns/0/">
  <title>Mix</title>
  <trackList>
    <track>
      <title>One</title>
      <location>file:///music/Caf%C3%A9%20del%20Mar.mp3</location>
      <location>file:///music/alternative.mp3</location>
      <extension application="http://www.videolan.org/vlc/playlist/0"><vlc:id>0</vlc:id></extension>
    </track>
    <track><location>Sub%20Dir/two%20%E2%82%AC.ogg</location></track>
    <track><title>No location</title></track>
    <track><location> ../three.mp3 </location></track>
    <track><location>https://example.com/four.mp3</location></track>
    <track><location>file://////music/five.mp3</location></track>
  </trackList>
</playlist>
)";
    EXPECT_EQ(locationsOf(decodeXspf(bytes, u"/home/u/lists"_s)),
              (QStringList{u"/music/Caf\u00e9 del Mar.mp3"_s,
                           u"/home/u/lists/Sub Dir/two \u20ac.ogg"_s, u"/home/u/three.mp3"_s,
                           u"https://example.com/four.mp3"_s, u"/music/five.mp3"_s}));
    // Read back from what was written, wherever the list is.
    const auto entries = decodeXspf(bytes, u"/home/u/lists"_s);
    EXPECT_EQ(decodeXspf(encodeXspf(*entries), u"/other"_s), entries);
}

TEST(PlaylistFormat, OnlyAnXspfDocumentIsReadAsXspf) {
    for (const char* bytes :
         {"", "#EXTM3U\n/a.mp3\n", "<other xmlns=\"http://xspf.org/ns/0/\"/>",
          "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location>/a",
          "<playlist xmlns=\"http://xspf.org/ns/0/\"><trackList><track><location><b/></location>"
          "</track></trackList></playlist>"})
        EXPECT_FALSE(decodeXspf(QByteArray(bytes), u"/l"_s)) << bytes;
}

}  // namespace
}  // namespace vemora::playlist
