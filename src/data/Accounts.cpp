#include "data/Accounts.h"

#include "data/Encoding.h"

namespace vemora {

std::optional<Statement> accountLookup(const QString& userName, const QString& password) {
    const std::optional<QString> stored = EncodePassword(password);
    if (!stored) return std::nullopt;
    return Statement("Select user_num, user_name, user_password, name From users where user_name=")
        .text(trimBlanks(userName))
        .sql(" AND user_password=")
        .text(*stored);
}

}  // namespace vemora
