#include "formats/Decoding.h"

#include "data/Encoding.h"

#include <QStringDecoder>

#include <algorithm>

namespace vemora::formats {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

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

bool startsWithLine(QByteArrayView bytes, QByteArrayView marker) {
    bytes = withoutBom(bytes);
    qsizetype i = 0;
    while (i < bytes.size() && isBlank(bytes[i])) ++i;
    bytes = bytes.sliced(i);
    if (bytes.size() < marker.size() || qstrnicmp(bytes.data(), marker.data(), marker.size()))
        return false;
    for (i = marker.size(); i < bytes.size() && bytes[i] != '\n'; ++i)
        if (!isBlank(bytes[i])) return false;
    return true;
}

}  // namespace vemora::formats
