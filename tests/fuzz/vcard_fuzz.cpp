// libFuzzer target: any bytes read as vCards.
#include "formats/ContactCard.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::vcard;
    const ReadCards read1 = read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // Whatever was read is written in both versions, is taken for vCard and reads back unchanged.
    for (const Version version : {Version::V3, Version::V4}) {
        const QByteArray written = write(read1.cards, version);
        const ReadCards read2 = read(written);
        if (read2.cards != read1.cards || !read2.problems.isEmpty()) std::abort();
        if (!read1.cards.isEmpty() && !recognises(written)) std::abort();
    }
    return 0;
}
