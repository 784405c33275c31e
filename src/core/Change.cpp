#include "core/Change.h"

#include "data/Encoding.h"

#include <algorithm>

namespace vemora {

Change checkStorable(const QStringList& texts) {
    for (int i = 0; i < texts.size(); ++i)
        if (!storesExactly(texts.at(i))) return {Refusal::Unstorable, i};
    return {};
}

Change checkComplete(const QStringList& texts) {
    if (std::any_of(texts.begin(), texts.end(),
                    [](const QString& text) { return trimBlanks(text).isEmpty(); }))
        return {Refusal::Incomplete};
    return checkStorable(texts);
}

Change checkFits(const QStringList& texts, std::span<const Column> columns) {
    for (int i = 0; i < texts.size() && size_t(i) < columns.size(); ++i)
        if (const int most = columns[size_t(i)].maxLength; most > 0 && texts.at(i).size() > most)
            return {Refusal::TooLong, i};
    return {};
}

}  // namespace vemora
