#include "data/Caseless.h"

#include <algorithm>

namespace vemora {

namespace {

unsigned char fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'A' && u <= 'Z') ? u + ('a' - 'A') : u;
}

int compareFolded(const char* a, const char* b, qsizetype length) {
    for (qsizetype i = 0; i < length; ++i) {
        const int d = int(fold(a[i])) - int(fold(b[i]));
        if (d != 0) return d;
    }
    return 0;
}

}  // namespace

int caselessCompare(QByteArrayView a, QByteArrayView b) {
    const int common = compareFolded(a.data(), b.data(), std::min(a.size(), b.size()));
    if (common != 0) return common;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

bool caselessStartsWith(QByteArrayView text, QByteArrayView prefix) {
    return text.size() >= prefix.size() &&
           compareFolded(text.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace vemora
