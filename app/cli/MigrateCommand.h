#pragma once

#include <QStringList>

namespace vemora {

// vemora-cli migrate: copies journey.mdb into an empty server database (--to URL), or a server
// database into a new file (--from URL FILE). Returns the exit code.
int runMigrate(const QStringList& arguments);

}  // namespace vemora
