#include "formats/Decoding.h"

#include "data/Encoding.h"

#include <QStringDecoder>

#include <algorithm>

namespace vemora::formats {

QByteArrayView withoutBom(QByteArrayView bytes) {
    return bytes.startsWith("\xef\xbb\xbf") ? bytes.sliced(3) : bytes;
}

QString fromCp1252(QByteArrayView bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < bytes.size(); ++i) text[i] = cp1252Char(uchar(bytes[i]));
    return text;
}

QString decodeText(QByteArrayView bytes) {
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8(bytes);
    // A sequence cut off at the end is no error to the decoder, only left out.
    return utf8.hasError() || text.toUtf8() != bytes ? fromCp1252(bytes) : text;
}

QByteArray unicodeAsUtf8(const QByteArray& bytes, char16_t first) {
    const auto encoding = QStringConverter::encodingForData(bytes, first);
    if (!encoding || *encoding == QStringConverter::Utf8) return bytes;
    QStringDecoder decoder(*encoding);  // drops the byte-order mark
    return QString(decoder(bytes)).toUtf8();
}

QByteArray firstBegin(QByteArrayView bytes) {
    constexpr QByteArrayView kBegin = "BEGIN:";
    bytes = withoutBom(bytes);
    bytes = bytes.first(qMin(bytes.size(), qsizetype(64 * 1024)));
    while (!bytes.isEmpty()) {
        const qsizetype end = bytes.indexOf('\n');
        const QByteArrayView line = (end < 0 ? bytes : bytes.first(end)).trimmed();
        if (line.size() > kBegin.size() && !qstrnicmp(line.data(), kBegin.data(), kBegin.size()))
            return line.sliced(kBegin.size()).trimmed().toByteArray().toUpper();
        bytes = end < 0 ? QByteArrayView() : bytes.sliced(end + 1);
    }
    return {};
}

}  // namespace vemora::formats
