#include "data/Encoding.h"

#include <array>

namespace vemora {

namespace {

// Windows-1252 0x80-0x9F. The five codes the code page leaves undefined map to the C1 controls
// of the same value, as Windows itself converts them.
constexpr std::array<char16_t, 32> kHigh = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::optional<int> cp1252Code(QChar c) {
    const char16_t u = c.unicode();
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return int(u);
    for (int i = 0; i < int(kHigh.size()); ++i)
        if (kHigh[i] == u) return 0x80 + i;
    return std::nullopt;
}

QChar cp1252Char(int code) {
    if (code >= 0x80 && code < 0xA0) return QChar(kHigh[code - 0x80]);
    return QChar(char16_t(code));
}

std::optional<QString> EncodePassword(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const auto code = cp1252Code(c);
        // 128 has no stored form, and 0 would be stored as 128, which cannot be read back.
        if (!code || *code == 128 || *code == 0) return std::nullopt;
        out.append(cp1252Char(*code < 128 ? *code + 128 : *code - 128));
    }
    return out;
}

QString ReplaceApostrophes(const QString& text) {
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1Char('`'));
    return out;
}

QString trimBlanks(const QString& text) {
    const QLatin1Char blank(' ');
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == blank) ++first;
    while (last > first && text.at(last - 1) == blank) --last;
    return text.mid(first, last - first);
}

bool storesExactly(const QString& text) {
    return text.isValidUtf16();
}

}  // namespace vemora
