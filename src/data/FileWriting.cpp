#include "data/FileWriting.h"

#include "data/SafeFiles.h"

namespace vemora {

std::optional<QString> replaceFile(const QString& path, QByteArrayView bytes) {
    if (auto problem = protectedOutput(path)) return problem;
    return replaceSafely(path, bytes, privateFileMode());
}

}  // namespace vemora
