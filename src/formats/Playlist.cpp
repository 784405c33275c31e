#include "formats/Playlist.h"

#include "data/Encoding.h"
#include "formats/Decoding.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace vemora::playlist {

namespace {

constexpr QStringView kMarker = u"PLF";
constexpr QStringView kXspfNamespace = u"http://xspf.org/ns/0/";

// A stream address such as http://host/path, which the player takes as it is.
bool isRemote(const QString& entry) {
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+://"));
    return scheme.match(entry).hasMatch() && !entry.startsWith(u"file:", Qt::CaseInsensitive);
}

// A path from a playlist in `folder` as an absolute native path: relative ones are taken from
// the folder, absolute ones kept as written.
QString resolved(const QString& path, const QString& folder) {
    if (!QDir::isRelativePath(path)) return QDir::toNativeSeparators(path);
    return QDir::toNativeSeparators(QDir::cleanPath(QDir(folder).absoluteFilePath(path)));
}

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

Format formatOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"m3u") return Format::M3u;
    if (suffix == u"m3u8") return Format::M3u8;
    if (suffix == u"xspf") return Format::Xspf;
    return Format::Plf;
}

QByteArray encodeM3u(const QStringList& entries) {
    QByteArray bytes("#EXTM3U\n");
    for (const QString& entry : entries) bytes.append(entry.toUtf8()).append('\n');
    return bytes;
}

QStringList decodeM3u(const QByteArray& bytes, const QString& folder) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList entries;
    for (const QString& line : formats::decodeText(formats::withoutBom(bytes)).split(lineEnd)) {
        if (line.trimmed().isEmpty() || line.startsWith(u'#')) continue;
        if (isRemote(line))
            entries.append(line);
        else if (line.startsWith(u"file:", Qt::CaseInsensitive))
            entries.append(resolved(QUrl(line).toLocalFile(), folder));
        else
            entries.append(resolved(line, folder));
    }
    return entries;
}

QByteArray encodeXspf(const QStringList& entries) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("playlist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeDefaultNamespace(kXspfNamespace.toString());
    xml.writeStartElement(QStringLiteral("trackList"));
    for (const QString& entry : entries) {
        xml.writeStartElement(QStringLiteral("track"));
        xml.writeTextElement(
            QStringLiteral("location"),
            isRemote(entry) ? entry : QString::fromLatin1(QUrl::fromLocalFile(entry).toEncoded()));
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return bytes;
}

std::optional<QStringList> decodeXspf(const QByteArray& bytes, const QString& folder) {
    QXmlStreamReader xml(bytes);
    if (!xml.readNextStartElement() || xml.name() != u"playlist" ||
        xml.namespaceUri() != kXspfNamespace)
        return std::nullopt;
    // Locations are URIs relative to the playlist's own.
    const QUrl base = QUrl::fromLocalFile(QDir(folder).absolutePath() + u'/');
    QStringList entries;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"trackList") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() != u"track") {
                xml.skipCurrentElement();
                continue;
            }
            QString location;  // a track's further locations are alternatives
            while (xml.readNextStartElement()) {
                if (xml.name() == u"location" && location.isEmpty())
                    location = xml.readElementText().trimmed();
                else
                    xml.skipCurrentElement();
            }
            if (location.isEmpty()) continue;
            const QUrl url = base.resolved(QUrl(location));
            // Repeated slashes collapse: "file:////music" would otherwise save back as the
            // host "music".
            if (url.isLocalFile())
                entries.append(resolved(QDir::cleanPath(url.toLocalFile()), folder));
            else if (isRemote(location))
                entries.append(location);
        }
    }
    if (xml.hasError()) return std::nullopt;
    return entries;
}

}  // namespace vemora::playlist
