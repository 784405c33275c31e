// libFuzzer target: any bytes read as a CSV table, and its rows taken as contacts.
#include "core/ContactStore.h"
#include "formats/Csv.h"
#include "transfer/ContactColumns.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::csv;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    guessesCharset(bytes);
    QString error;
    const auto table = read(bytes, &error);
    if (!table) {
        if (error.isEmpty()) std::abort();  // a refusal always says why
        return 0;
    }
    // Whatever was read is written and reads back unchanged.
    const auto back = read(write(QList<QStringList>{table->header} + table->rows));
    if (!back || back->header != table->header || back->rows != table->rows) std::abort();
    // Every row gives one text per field, whatever the header.
    const vemora::ContactColumns columns(table->header);
    for (const QStringList& row : table->rows)
        if (columns.contactOf(row).size() != qsizetype(vemora::kContactColumns.size()))
            std::abort();
    return 0;
}
