#include "core/DraftStore.h"

#include "core/Clock.h"
#include "core/Database.h"
#include "data/Recordset.h"
#include "data/Statement.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace vemora {

namespace {

QString kindName(DraftKind kind) {
    switch (kind) {
        case DraftKind::Diary:
            return QStringLiteral("diary");
        case DraftKind::Planner:
            return QStringLiteral("planner");
        case DraftKind::Contact:
            return QStringLiteral("contact");
        case DraftKind::Word:
            return QStringLiteral("word");
    }
    return {};
}

Statement& whereDraft(Statement& statement, qint64 user, DraftKind kind, const QString& key) {
    return statement.sql(u" WHERE user_num = ")
        .number(user)
        .sql(u" AND draft_kind = ")
        .value(kindName(kind))
        .sql(u" AND draft_key = ")
        .value(key);
}

}  // namespace

Result<std::optional<Draft>> DraftStore::load(qint64 user, DraftKind kind, const QString& key) {
    Statement select("SELECT draft_texts, draft_written FROM drafts_tbl");
    Recordset row;
    if (const Status read =
            row.open(whereDraft(select, user, kind, key), m_database.DbConnection());
        !read)
        return read.error();
    if (row.eof()) return std::optional<Draft>();
    Draft draft;
    for (const QJsonValue& text :
         QJsonDocument::fromJson(row.text(u"draft_texts").toUtf8()).array())
        draft.texts.append(text.toString());
    draft.written = QDateTime::fromString(row.text(u"draft_written"), Qt::ISODate);
    return std::optional<Draft>(draft);
}

Status DraftStore::keep(qint64 user, DraftKind kind, const QString& key, const QStringList& texts) {
    const QByteArray json =
        QJsonDocument(QJsonArray::fromStringList(texts)).toJson(QJsonDocument::Compact);
    const Result<int> kept = m_database.execute(
        Statement("INSERT INTO drafts_tbl (user_num, draft_kind, draft_key, draft_texts, "
                  "draft_written) VALUES (")
            .number(user)
            .sql(u", ")
            .value(kindName(kind))
            .sql(u", ")
            .value(key)
            .sql(u", ")
            .value(QString::fromUtf8(json))
            .sql(u", ")
            .value(currentDateTime().toString(Qt::ISODate))
            .sql(u") ON CONFLICT (user_num, draft_kind, draft_key) DO UPDATE SET draft_texts = "
                 u"excluded.draft_texts, draft_written = excluded.draft_written"));
    if (!kept) return kept.error();
    return {};
}

Status DraftStore::discard(qint64 user, DraftKind kind, const QString& key) {
    Statement remove("DELETE FROM drafts_tbl");
    const Result<int> removed = m_database.execute(whereDraft(remove, user, kind, key));
    if (!removed) return removed.error();
    return {};
}

Result<QStringList> DraftStore::keys(qint64 user, DraftKind kind) {
    Recordset rows;
    if (const Status read =
            rows.open(Statement("SELECT draft_key FROM drafts_tbl WHERE user_num = ")
                          .number(user)
                          .sql(u" AND draft_kind = ")
                          .value(kindName(kind))
                          .sql(u" ORDER BY draft_key"),
                      m_database.DbConnection());
        !read)
        return read.error();
    QStringList found;
    for (rows.moveFirst(); !rows.eof(); rows.moveNext()) found.append(rows.text(u"draft_key"));
    return found;
}

}  // namespace vemora
