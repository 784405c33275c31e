#pragma once

#include <QString>

namespace vemora {

// "1 word", "2 words", "0 words".
QString plural(qsizetype count, const char* one, const char* many);

}  // namespace vemora
