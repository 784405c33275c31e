#include "formats/Playlist.h"

#include "data/Encoding.h"

namespace vemora::playlist {

namespace {

constexpr QStringView kMarker = u"PLF";

}  // namespace

std::variant<QByteArray, UnstorableEntry> encode(const QStringList& entries) {
    QByteArray bytes = kMarker.toLatin1() + "\r\n";
    for (const QString& entry : entries) {
        for (const QChar c : entry) {
            const auto code = cp1252Code(c);
            if (!code || c == u'\r') return UnstorableEntry{entry};
            bytes.append(char(*code));
        }
        bytes.append("\r\n");
    }
    return bytes;
}

std::optional<QStringList> decode(const QByteArray& bytes) {
    QStringList lines;
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        QString line;
        while (i < n && bytes[i] != '\r') line.append(cp1252Char(uchar(bytes[i++])));
        // At a CR: CR LF counts as one line end; a lone LF belongs to the text.
        if (i < n && ++i < n && bytes[i] == '\n') ++i;
        lines.append(line);
    }
    if (lines.isEmpty() || lines.first() != kMarker) return std::nullopt;
    lines.removeFirst();
    return lines;
}

}  // namespace vemora::playlist
