// libFuzzer target: any bytes read as an M3U playlist.
#include "formats/Playlist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::playlist;
    const QList<Entry> entries = decodeM3u(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), QStringLiteral("/list"));
    // What was read holds absolute paths or addresses only, and one-line titles: they save and
    // read back unchanged from any folder.
    if (decodeM3u(encodeM3u(entries), QStringLiteral("/other")) != entries) std::abort();
    return 0;
}
