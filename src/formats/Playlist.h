#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

// Playlist files (".plf"): the line "PLF", then one entry per line, every line ending in
// CR LF, Windows-1252 bytes, no byte-order mark.
namespace vemora::playlist {

// An entry that a playlist file cannot carry.
struct UnstorableEntry {
    QString text;
};

// The bytes of a playlist file holding `entries`, or the first entry with a character outside
// Windows-1252 or a carriage return (which would split it into two entries on reading).
std::variant<QByteArray, UnstorableEntry> encode(const QStringList& entries);

// The entries of a playlist file; nothing when the first line is not exactly "PLF". A line
// ends at CR or CR LF; the last line may lack its end.
std::optional<QStringList> decode(const QByteArray& bytes);

// The other playlist formats the player opens and saves.
enum class Format { Plf, M3u, M3u8, Xspf };

// The format a file name stands for, by its extension in any case; anything else is Plf.
Format formatOf(const QString& path);

// An entry of an M3U or XSPF playlist: the file's path or a stream's address, and the title
// the playlist gives it (one line, blanks collapsed), if any.
struct Entry {
    QString location;
    QString title = {};
    bool operator==(const Entry&) const = default;
};

// "#EXTM3U", then one entry per line, each title on an "#EXTINF:-1," line before its entry,
// LF line ends, UTF-8 (for .m3u as for .m3u8).
QByteArray encodeM3u(const QList<Entry>& entries);

// The entries of an M3U playlist with the titles of their #EXTINF lines; other "#" lines
// (blanks before them allowed) and blank ones are skipped. UTF-16 or UTF-32 with a byte-order
// mark, else UTF-8 when the bytes are valid UTF-8, else Windows-1252. Relative paths and file
// URIs become absolute native paths, relative ones taken from `folder` (the playlist's folder).
QList<Entry> decodeM3u(const QByteArray& bytes, const QString& folder);

// XSPF version 1, each entry a percent-encoded file URI in <location>, and its <title>.
QByteArray encodeXspf(const QList<Entry>& entries);

// The tracks of an XSPF playlist, their locations as absolute native paths, relative ones
// taken from `folder`. Read as players do: the namespace may be missing, another or prefixed.
// Nothing when the bytes are not an XML document whose root is a playlist.
std::optional<QList<Entry>> decodeXspf(const QByteArray& bytes, const QString& folder);

}  // namespace vemora::playlist
