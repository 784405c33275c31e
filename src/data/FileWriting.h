#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace vemora {

// Puts `bytes` in place of the file at `path` once all of them are on disk, readable by its
// owner only; on failure the old file stays as it was and the reason is yielded. A database of
// this program, a part of one or a kept copy is never written over.
std::optional<QString> replaceFile(const QString& path, QByteArrayView bytes);

}  // namespace vemora
