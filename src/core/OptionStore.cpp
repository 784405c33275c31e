#include "core/OptionStore.h"

#include "core/Database.h"
#include "data/Recordset.h"
#include "data/Statement.h"

namespace vemora {

namespace {

Statement& whereOption(Statement& statement, qint64 user, const QString& name) {
    return statement.sql(u" WHERE user_num = ")
        .number(user)
        .sql(u" AND option_name = ")
        .value(name);
}

}  // namespace

Result<std::optional<QString>> OptionStore::value(qint64 user, const QString& name) {
    Statement select("SELECT option_value FROM options_tbl");
    Recordset row;
    if (const Status read = row.open(whereOption(select, user, name), m_database.DbConnection());
        !read)
        return read.error();
    if (row.eof()) return std::optional<QString>();
    return std::optional<QString>(row.text(u"option_value"));
}

Status OptionStore::set(qint64 user, const QString& name, const QString& value) {
    const Result<int> kept = m_database.execute(
        Statement("INSERT INTO options_tbl (user_num, option_name, option_value) VALUES (")
            .number(user)
            .sql(u", ")
            .value(name)
            .sql(u", ")
            .value(value)
            .sql(u") ON CONFLICT (user_num, option_name) DO UPDATE SET option_value = "
                 u"excluded.option_value"));
    if (!kept) return kept.error();
    return {};
}

Status OptionStore::clear(qint64 user, const QString& name) {
    Statement remove("DELETE FROM options_tbl");
    const Result<int> removed = m_database.execute(whereOption(remove, user, name));
    if (!removed) return removed.error();
    return {};
}

}  // namespace vemora
