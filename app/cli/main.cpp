// vemora-cli: checks, backs up and restores the organizer's database from a console.
#include "cli/Cli.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vemora-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VEMORA_VERSION));
    return vemora::runCli(QCoreApplication::arguments());
}
