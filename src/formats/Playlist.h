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

}  // namespace vemora::playlist
