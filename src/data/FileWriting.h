#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

class QFileDevice;

namespace vemora {

// Writes every byte to a file opened with QIODevice::Unbuffered, or yields the system's reason.
// A short write is tried again: QIODevice reports one without a reason, and only the next
// write tells that the disk is full.
std::optional<QString> writeAll(QFileDevice& file, QByteArrayView bytes);

// Puts `bytes` in place of the file at `path` once all of them are on disk; on failure the old
// file stays as it was and the system's reason is yielded.
std::optional<QString> replaceFile(const QString& path, QByteArrayView bytes);

}  // namespace vemora
