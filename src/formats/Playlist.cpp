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

// The title of an #EXTINF line from what follows "#EXTINF:": the text after the first comma
// outside quoted attribute values.
QString titleOf(QStringView info) {
    bool quoted = false;
    for (qsizetype i = 0; i < info.size(); ++i) {
        if (info[i] == u'"') quoted = !quoted;
        if (info[i] == u',' && !quoted) return info.sliced(i + 1).toString().simplified();
    }
    return {};
}

// An element's name without its namespace prefix.
QStringView localName(const QXmlStreamReader& xml) {
    const QStringView name = xml.qualifiedName();
    return name.sliced(name.lastIndexOf(u':') + 1);
}

// An element's text with each lone surrogate, which a declared encoding such as UTF-7 lets
// through, and each noncharacter, which a file URL cannot carry, replaced by U+FFFD.
QString wellFormedText(QXmlStreamReader& xml) {
    QList<uint> codes = xml.readElementText().toUcs4();  // lone surrogates become U+FFFD
    for (uint& code : codes)
        if (QChar::isNonCharacter(code)) code = QChar::ReplacementCharacter;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(codes.constData()), codes.size());
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

QByteArray encodeM3u(const QList<Entry>& entries) {
    QByteArray bytes("#EXTM3U\n");
    for (const Entry& entry : entries) {
        if (!entry.title.isEmpty())
            bytes.append("#EXTINF:-1,").append(entry.title.toUtf8()).append('\n');
        bytes.append(entry.location.toUtf8()).append('\n');
    }
    return bytes;
}

QList<Entry> decodeM3u(const QByteArray& bytes, const QString& folder) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    const QString text =
        formats::decodeText(formats::withoutBom(formats::unicodeAsUtf8(bytes, u'#')));
    QList<Entry> entries;
    QString title;  // of the next entry
    for (const QString& line : text.split(lineEnd)) {
        const QString trimmed = line.trimmed();
        if (trimmed.startsWith(u"#EXTINF:", Qt::CaseInsensitive)) {
            title = titleOf(QStringView(trimmed).sliced(8));
            continue;
        }
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) continue;
        if (isRemote(line))
            entries.append({line, title});
        else if (line.startsWith(u"file:", Qt::CaseInsensitive))
            entries.append({resolved(QUrl(line).toLocalFile(), folder), title});
        else
            entries.append({resolved(line, folder), title});
        title.clear();
    }
    return entries;
}

QByteArray encodeXspf(const QList<Entry>& entries) {
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("playlist"));
    xml.writeAttribute(QStringLiteral("version"), QStringLiteral("1"));
    xml.writeDefaultNamespace(kXspfNamespace.toString());
    xml.writeStartElement(QStringLiteral("trackList"));
    for (const Entry& entry : entries) {
        xml.writeStartElement(QStringLiteral("track"));
        xml.writeTextElement(
            QStringLiteral("location"),
            isRemote(entry.location)
                ? entry.location
                : QString::fromLatin1(QUrl::fromLocalFile(entry.location).toEncoded()));
        if (!entry.title.isEmpty()) xml.writeTextElement(QStringLiteral("title"), entry.title);
        xml.writeEndElement();
    }
    xml.writeEndDocument();
    return bytes;
}

std::optional<QList<Entry>> decodeXspf(const QByteArray& bytes, const QString& folder) {
    QXmlStreamReader xml(bytes);
    // Names are compared without their prefix, so an undeclared one is no error.
    xml.setNamespaceProcessing(false);
    if (!xml.readNextStartElement() || localName(xml) != u"playlist") return std::nullopt;
    // Locations are URIs relative to the playlist's own.
    const QUrl base = QUrl::fromLocalFile(QDir(folder).absolutePath() + u'/');
    QList<Entry> entries;
    while (xml.readNextStartElement()) {
        if (localName(xml) != u"trackList") {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (localName(xml) != u"track") {
                xml.skipCurrentElement();
                continue;
            }
            QString location;  // a track's further locations are alternatives
            QString title;
            while (xml.readNextStartElement()) {
                if (localName(xml) == u"location" && location.isEmpty())
                    location = wellFormedText(xml).trimmed();
                else if (localName(xml) == u"title" && title.isEmpty())
                    title = wellFormedText(xml).simplified();
                else
                    xml.skipCurrentElement();
            }
            if (location.isEmpty()) continue;
            const QUrl url = base.resolved(QUrl(location));
            // Repeated slashes collapse: "file:////music" would otherwise save back as the
            // host "music".
            if (url.isLocalFile())
                entries.append({resolved(QDir::cleanPath(url.toLocalFile()), folder), title});
            else if (isRemote(location))
                entries.append({location, title});
        }
    }
    if (xml.hasError()) return std::nullopt;
    return entries;
}

}  // namespace vemora::playlist
