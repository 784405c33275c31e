#pragma once

#include <QStringList>

namespace vemora {

// vemora-cli migrate: copies journey.mdb into an empty server database (--to URL), or a server
// database into a new file (--from URL FILE). `command` is where the word migrate stands among
// the arguments, which may have options before it. Returns the exit code.
int runMigrate(const QStringList& arguments, qsizetype command);

}  // namespace vemora
