// libFuzzer target: any bytes read as a CSV table.
#include "formats/Csv.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::csv;
    QString error;
    const auto table =
        read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
    if (!table) {
        if (error.isEmpty()) std::abort();  // a refusal always says why
        return 0;
    }
    // Whatever was read is written and reads back unchanged.
    const auto back = read(write(QList<QStringList>{table->header} + table->rows));
    if (!back || back->header != table->header || back->rows != table->rows) std::abort();
    return 0;
}
