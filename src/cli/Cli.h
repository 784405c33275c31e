#pragma once

#include <QStringList>

namespace vemora {

// The console program's commands on `arguments` (the program's name first): the exit code, with
// what it did on standard output and why it failed on standard error. --help and --version end
// the process.
int runCli(const QStringList& arguments);

}  // namespace vemora
