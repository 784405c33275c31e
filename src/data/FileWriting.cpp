#include "data/FileWriting.h"

#include <QSaveFile>

namespace vemora {

std::optional<QString> writeAll(QFileDevice& file, QByteArrayView bytes) {
    while (!bytes.isEmpty()) {
        const qint64 written = file.write(bytes.data(), bytes.size());
        if (written <= 0) return file.errorString();
        bytes = bytes.sliced(written);
    }
    return std::nullopt;
}

std::optional<QString> replaceFile(const QString& path, QByteArrayView bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) return file.errorString();
    if (auto problem = writeAll(file, bytes)) return problem;
    if (!file.commit()) return file.errorString();
    return std::nullopt;
}

}  // namespace vemora
