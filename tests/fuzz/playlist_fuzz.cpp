// libFuzzer target: any bytes read as a playlist file.
#include "formats/Playlist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::playlist;
    const auto entries = decode(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!entries) return 0;
    // Whatever was read saves and reads back unchanged.
    const auto saved = encode(*entries);
    if (!std::holds_alternative<QByteArray>(saved) ||
        decode(std::get<QByteArray>(saved)) != entries)
        std::abort();
    return 0;
}
