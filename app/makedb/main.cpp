// Writes the delivered journey.mdb: the five tables and the administrator account; or sets
// them up in an empty database on a PostgreSQL server.
#include "data/PostgresEngine.h"
#include "data/SqliteEngine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    const bool server = args.removeAll(QStringLiteral("--server")) > 0;
    QTextStream err(stderr);
    if (args.size() != 1 || (server && ifMissing)) {
        err << "usage: vemora_makedb [--if-missing] <path/to/journey.mdb>\n"
               "       vemora_makedb --server postgresql://user@host:port/database\n";
        return 2;
    }
    if (server) {
        const vemora::Result<vemora::ServerAddress> address = vemora::parseServerUrl(args.first());
        if (const auto problem =
                address ? vemora::passwordOnCommandLine(address.value()) : std::nullopt) {
            err << "vemora_makedb: " << *problem << '\n';
            return 1;
        }
        const vemora::Status s = address ? vemora::PostgresEngine::createDatabase(address.value())
                                         : vemora::Status(address.error());
        if (!s) {
            err << s.error().description << '\n';
            return 1;
        }
        QTextStream(stdout) << "Set up " << address.value().shown() << '\n';
        return 0;
    }
    const QString path = args.first();
    if (QFileInfo::exists(path)) {
        if (ifMissing) return 0;
        err << path << " already exists; it is never overwritten.\n";
        return 1;
    }
    if (const vemora::Status s = vemora::SqliteEngine::createDatabase(path); !s) {
        err << s.error().description << '\n';
        return 1;
    }
    QTextStream(stdout) << "Wrote " << path << '\n';
    return 0;
}
