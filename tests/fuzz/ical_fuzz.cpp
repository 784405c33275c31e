// libFuzzer target: any bytes read as iCalendar journal entries.
#include "formats/DayCalendar.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vemora::ical;
    const ReadDays read1 = read(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    // Whatever was read is written and reads back unchanged.
    const QByteArray written = writeDiary(read1.diary);
    if (!recognises(written)) std::abort();
    const ReadDays diary = read(written);
    if (diary.diary != read1.diary || !diary.plans.isEmpty() || !diary.problems.isEmpty())
        std::abort();
    const ReadDays plans = read(writePlans(read1.plans));
    if (plans.plans != read1.plans || !plans.diary.isEmpty() || !plans.problems.isEmpty())
        std::abort();
    return 0;
}
