// libFuzzer target: any bytes read as an XSPF playlist.
#include "formats/Playlist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::playlist;
    const auto entries = decodeXspf(
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), QStringLiteral("/list"));
    if (!entries) return 0;
    // What was read holds absolute paths or addresses only: they save and read back unchanged
    // from any folder.
    if (decodeXspf(encodeXspf(*entries), QStringLiteral("/other")) != entries) std::abort();
    return 0;
}
