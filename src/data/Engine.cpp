#include "data/Engine.h"

#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"
#include "data/ServerWatch.h"
#include "data/SqliteEngine.h"

namespace vemora {

std::unique_ptr<ServerWatch> Engine::watch(const QSqlDatabase&) const {
    return nullptr;
}

std::optional<Status> Engine::readQuery(QSqlDatabase&, const Statement&, QStringList&,
                                        std::vector<ColumnValues>&) const {
    return std::nullopt;
}

DbError Engine::noAnswer(bool) const {
    return {};
}

std::unique_ptr<Engine> Engine::forConnectionString(const QString& text) {
    if (isServerUrl(text)) return PostgresEngine::forServer(parseServerUrl(text));
    return SqliteEngine::forFile(parseConnectionString(text));
}

}  // namespace vemora
