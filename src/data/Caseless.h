#pragma once

#include <QByteArrayView>

namespace vemora {

// Text compared as SQLite's NOCASE collation compares it: UTF-8 byte by byte, with the 26 ASCII
// letters folded and every other character left as it is; a text that is the beginning of
// another sorts first.
int caselessCompare(QByteArrayView a, QByteArrayView b);
// Whether `text` begins with `prefix`, under the same folding.
bool caselessStartsWith(QByteArrayView text, QByteArrayView prefix);

}  // namespace vemora
