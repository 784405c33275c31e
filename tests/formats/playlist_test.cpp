#include "formats/Playlist.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vemora::playlist
