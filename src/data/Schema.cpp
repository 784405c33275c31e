#include "data/Schema.h"

#include "data/ConnectionString.h"
#include "data/Encoding.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QtEndian>

namespace vemora {

namespace {

// Text columns compare without regard to letter case, as the organizer's lookups expect;
// the encoded password compares exactly.
constexpr const char* kTables[] = {
    "CREATE TABLE users ("
    " user_num INTEGER PRIMARY KEY AUTOINCREMENT,"
    " user_name TEXT COLLATE NOCASE NOT NULL UNIQUE,"
    " user_password TEXT NOT NULL DEFAULT '',"
    " name TEXT COLLATE NOCASE NOT NULL DEFAULT '')",
    "CREATE TABLE addressbook_tbl ("
    " user_num INTEGER NOT NULL,"
    " name TEXT COLLATE NOCASE, middle_name TEXT COLLATE NOCASE, last_name TEXT COLLATE NOCASE,"
    " sex TEXT COLLATE NOCASE, address TEXT COLLATE NOCASE, phone_num TEXT COLLATE NOCASE,"
    " cel_num TEXT COLLATE NOCASE, fax_num TEXT COLLATE NOCASE, email TEXT COLLATE NOCASE)",
    "CREATE INDEX addressbook_owner ON addressbook_tbl (user_num, name)",
    "CREATE TABLE diary_tbl ("
    " user_num INTEGER NOT NULL,"
    " diary_date TEXT NOT NULL CHECK (diary_date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),"
    " diary_message TEXT COLLATE NOCASE,"
    " UNIQUE (user_num, diary_date))",
    "CREATE TABLE planner_tbl ("
    " user_num INTEGER NOT NULL,"
    " planner_date TEXT NOT NULL CHECK (planner_date GLOB '[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]'),"
    " time_am TEXT COLLATE NOCASE, time_pm TEXT COLLATE NOCASE, planner_msg TEXT COLLATE NOCASE,"
    " UNIQUE (user_num, planner_date))",
    "CREATE TABLE dictionary_tbl ("
    " user_num INTEGER NOT NULL,"
    " dict_name TEXT COLLATE NOCASE NOT NULL UNIQUE,"
    " dict_description TEXT COLLATE NOCASE)",
};

Status run(QSqlQuery& query, const QString& sql) {
    if (query.exec(sql)) return {};
    return DbError{kErrOther, query.lastError().text()};
}

Status fill(const QString& path) {
    const QString name = QStringLiteral("vemora-makedb");
    Status status;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open()) {
            status = DbError{kErrGeneral, db.lastError().text()};
        } else {
            QSqlQuery q(db);
            status = run(q, QStringLiteral("PRAGMA application_id = %1")
                                .arg(passwordVerifier(QString::fromLatin1(kDatabasePassword))));
            if (status) status = run(q, QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
            if (status) status = run(q, QStringLiteral("BEGIN"));
            for (const char* sql : kTables)
                if (status) status = run(q, QString::fromLatin1(sql));
            if (status) {
                q.prepare(QStringLiteral(
                    "INSERT INTO users (user_num, user_name, user_password, name) "
                    "VALUES (1, 'admin', ?, 'Administrator')"));
                q.addBindValue(*EncodePassword(QString::fromLatin1(kInitialAdminPassword)));
                if (!q.exec()) status = DbError{kErrOther, q.lastError().text()};
            }
            if (status) status = run(q, QStringLiteral("COMMIT"));
            q.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return status;
}

}  // namespace

qint32 passwordVerifier(const QString& password) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayLiteral("Vemora database password:") + password.toUtf8(),
        QCryptographicHash::Sha256);
    // Zero is the header's "unset" value; never use it as a verifier.
    const qint32 value = qFromBigEndian<qint32>(digest.constData());
    return value == 0 ? 1 : value;
}

Status createDeliveredDatabase(const QString& path) {
    const QFileInfo target(path);
    if (target.exists()) return DbError{kErrGeneral, QStringLiteral("%1 already exists.").arg(path)};

    QTemporaryFile temp(target.absolutePath() + QStringLiteral("/.journey-XXXXXX"));
    if (!temp.open()) return DbError{kErrGeneral, temp.errorString()};
    temp.close();
    if (Status s = fill(temp.fileName()); !s) return s;
    // rename() refuses an existing name, so a database that appeared meanwhile is kept.
    if (!temp.rename(target.absoluteFilePath()))
        return DbError{kErrGeneral, QStringLiteral("Cannot write %1: %2").arg(path, temp.errorString())};
    temp.setAutoRemove(false);
    return {};
}

}  // namespace vemora
