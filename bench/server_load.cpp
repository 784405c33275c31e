// Organizers writing to one PostgreSQL server at once, with faults or without: each organizer
// is a process of its own driving the address book's store (add, save, delete), as the
// windows do. Afterwards the server's rows are compared with every write an organizer was told
// was done.
//
//   bench_server_load --url=URL [--organizers=20] [--seconds=60] [--faults --cluster=FOLDER]
//
// --faults ends random sessions (pg_terminate_backend) throughout, restarts the server
// (scripts/pg-cluster.sh restart) at a third of the run and freezes it (SIGSTOP of the
// postmaster and every backend, SIGCONT 4 s later) at two thirds.
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <map>

#include "core/ContactStore.h"
#include "core/Database.h"
#include "data/ConnectionString.h"
#include "data/PostgresEngine.h"

using namespace vemora;
using namespace Qt::StringLiterals;

namespace {

QString option(const QStringList& args, const QString& name, const QString& fallback = {}) {
    const QString prefix = u"--"_s + name + u'=';
    for (const QString& arg : args)
        if (arg.startsWith(prefix)) return arg.mid(prefix.size());
    return fallback;
}

QStringList contactTexts(const QString& name, const QString& address) {
    return {name, u"M"_s, u"Load"_s, u"F"_s, address, u"1"_s, u"2"_s, u"3"_s, u"e"_s};
}

// One organizer: writes until the time is up, then tells what it was told was stored.
int runOrganizer(const QString& url, int number, int seconds, const QString& out) {
    Database organizer(Database::Named{url}, Database::Lock::Shared);
    organizer.setReconnect(std::chrono::seconds(30), nullptr);
    QElapsedTimer clock;
    clock.start();
    QJsonObject report;
    QJsonObject times{
        {u"add"_s, QJsonArray()}, {u"save"_s, QJsonArray()}, {u"delete"_s, QJsonArray()}};
    std::map<QString, QString> stored;  // acknowledged: name -> address
    QJsonArray deleted, uncertain, errors;
    int refusals = 0, nextName = 0;
    qint64 lastSuccess = 0, longestGap = 0;
    {
        // Opening is an action too: the first one after a fault opens again.
        const Status opened = organizer.open();
        if (!opened) errors.append(opened.error().description);
    }
    ContactStore contacts(organizer);
    auto* random = QRandomGenerator::global();
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const int roll = int(random->bounded(10));
        QString kind;
        Result<Change> result = Change{};
        QString name;
        const QString address = u"a%1"_s.arg(random->generate());
        const qint64 start = clock.nsecsElapsed();
        if (stored.size() < 5 || roll < 5) {
            kind = u"add"_s;
            name = u"w%1n%2"_s.arg(number).arg(nextName++);
            result = contacts.add(1, contactTexts(name, address));
        } else {
            auto it = stored.begin();
            std::advance(it, random->bounded(int(stored.size())));
            name = it->first;
            const ContactNames loaded{name, u"M"_s, u"Load"_s};
            if (roll < 8) {
                kind = u"save"_s;
                result = contacts.save(1, loaded, contactTexts(name, address));
            } else {
                kind = u"delete"_s;
                result = contacts.remove(1, loaded);
            }
        }
        const qint64 end = clock.nsecsElapsed();
        if (!result) {
            // Not acknowledged: the contact may or may not have changed; it is left alone.
            errors.append(u"%1 %2: %3"_s.arg(kind, name, result.error().description));
            uncertain.append(name);
            stored.erase(name);
            continue;
        }
        // From the first action done: the processes' start, all at once, is no fault's.
        if (lastSuccess > 0) longestGap = std::max(longestGap, end - lastSuccess);
        lastSuccess = end;
        QJsonArray list = times[kind].toArray();
        list.append(double(end - start) / 1e6);
        times[kind] = list;
        if (!result.value().done()) {
            ++refusals;
            uncertain.append(name);
            stored.erase(name);
            continue;
        }
        if (kind == u"delete") {
            stored.erase(name);
            deleted.append(name);
        } else {
            stored[name] = address;
        }
    }
    QJsonObject acknowledged;
    for (const auto& [name, address] : stored) acknowledged[name] = address;
    report[u"stored"_s] = acknowledged;
    report[u"deleted"_s] = deleted;
    report[u"uncertain"_s] = uncertain;
    report[u"errors"_s] = errors;
    report[u"refusals"_s] = refusals;
    report[u"times"_s] = times;
    report[u"longest_gap_ms"_s] = double(longestGap) / 1e6;
    QFile file(out);
    if (!file.open(QIODevice::WriteOnly)) return 1;
    file.write(QJsonDocument(report).toJson(QJsonDocument::Compact));
    return 0;
}

// Runs a statement on the database; the first column of every row.
QStringList values(const ServerAddress& server, const QString& sql) {
    ServerSession session(server);
    if (!session.open()) return {};
    QSqlQuery q(session.database());
    QStringList found;
    if (!q.exec(sql)) return {};
    while (q.next()) found.append(q.value(0).toString());
    return found;
}

// The server's processes: the postmaster (postmaster.pid) and its children.
QList<pid_t> serverProcesses(const QString& cluster) {
    QFile pidFile(cluster + u"/data/postmaster.pid"_s);
    if (!pidFile.open(QIODevice::ReadOnly)) return {};
    const pid_t postmaster = pid_t(pidFile.readLine().trimmed().toInt());
    QList<pid_t> processes{postmaster};
    for (const QString& entry : QDir(u"/proc"_s).entryList(QDir::Dirs)) {
        QFile stat(u"/proc/"_s + entry + u"/stat"_s);
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const qsizetype close = text.lastIndexOf(')');
        const QList<QByteArray> fields = text.mid(close + 2).split(' ');
        if (fields.size() > 1 && fields.at(1).toInt() == postmaster)
            processes.append(pid_t(entry.toInt()));
    }
    return processes;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size() - 1) + 0.5))];
}

int runLoad(const QStringList& args) {
    const Result<ServerAddress> maintenance = parseServerUrl(option(args, u"url"_s));
    if (!maintenance) {
        std::fprintf(stderr, "%s\n", qPrintable(maintenance.error().description));
        return 2;
    }
    const int organizers = option(args, u"organizers"_s, u"20"_s).toInt();
    const int seconds = option(args, u"seconds"_s, u"60"_s).toInt();
    const bool faults = args.contains(u"--faults"_s);
    const QString cluster = option(args, u"cluster"_s);
    const QString script = option(args, u"pg-cluster"_s);

    // A database of its own, dropped at the end.
    ServerAddress server = maintenance.value();
    server.database = u"vemora_load_%1"_s.arg(QCoreApplication::applicationPid());
    values(maintenance.value(), u"CREATE DATABASE %1"_s.arg(server.database));
    if (const Status made = PostgresEngine::createDatabase(server); !made) {
        std::fprintf(stderr, "%s\n", qPrintable(made.error().description));
        return 1;
    }
    if (faults) {
        // Short enough that a frozen server shows within the freeze.
        server.statementTimeout = 2;
        server.connectTimeout = 2;
    }

    QTemporaryDir reports;
    std::vector<std::unique_ptr<QProcess>> processes;
    for (int i = 0; i < organizers; ++i) {
        auto process = std::make_unique<QProcess>();
        // The driver's warnings of every ended session; the errors are in the report.
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(QCoreApplication::applicationFilePath(),
                       {u"--organizer=%1"_s.arg(i), u"--url=%1"_s.arg(server.url()),
                        u"--seconds=%1"_s.arg(seconds),
                        u"--out=%1"_s.arg(reports.filePath(QString::number(i)))});
        processes.push_back(std::move(process));
    }
    QStringList faultLog;
    if (faults) {
        QElapsedTimer clock;
        clock.start();
        const qint64 total = qint64(seconds) * 1000;
        bool restarted = false, frozen = false;
        auto* random = QRandomGenerator::global();
        while (clock.elapsed() < total - 1000) {
            QThread::msleep(std::max<qint64>(200, total / 20));
            const QStringList sessions = values(
                maintenance.value(),
                u"SELECT pid FROM pg_stat_activity WHERE datname = '%1'"_s.arg(server.database));
            if (!sessions.isEmpty()) {
                const QString pid = sessions.at(int(random->bounded(int(sessions.size()))));
                values(maintenance.value(), u"SELECT pg_terminate_backend(%1)"_s.arg(pid));
                faultLog.append(u"%1 ms: pg_terminate_backend(%2)"_s.arg(clock.elapsed()).arg(pid));
            }
            if (!restarted && clock.elapsed() > total / 3) {
                restarted = true;
                const int code = QProcess::execute(script, {u"restart"_s, cluster});
                faultLog.append(u"%1 ms: fast restart (exit %2)"_s.arg(clock.elapsed()).arg(code));
            }
            if (!frozen && clock.elapsed() > 2 * total / 3) {
                frozen = true;
                const QList<pid_t> stopped = serverProcesses(cluster);
                for (pid_t pid : stopped) ::kill(pid, SIGSTOP);
                faultLog.append(u"%1 ms: SIGSTOP of %2 server processes"_s.arg(clock.elapsed())
                                    .arg(stopped.size()));
                QThread::msleep(4000);
                for (pid_t pid : stopped) ::kill(pid, SIGCONT);
                faultLog.append(u"%1 ms: SIGCONT"_s.arg(clock.elapsed()));
            }
        }
    }
    int failed = 0;
    for (auto& process : processes)
        if (!process->waitForFinished(qint64(seconds) * 1000 + 120000) || process->exitCode() != 0)
            ++failed;

    // What the server holds now, beside what every organizer was told.
    std::map<QString, QStringList> onServer;
    for (const QString& row :
         values(server, u"SELECT name || '|' || address FROM addressbook_tbl"_s)) {
        const qsizetype bar = row.indexOf(u'|');
        onServer[row.left(bar)].append(row.mid(bar + 1));
    }
    int acknowledged = 0, lost = 0, duplicates = 0, refusals = 0, errors = 0;
    std::map<QString, std::vector<double>> times;
    std::vector<double> gaps;
    QStringList errorSamples;
    for (int i = 0; i < organizers; ++i) {
        QFile file(reports.filePath(QString::number(i)));
        if (!file.open(QIODevice::ReadOnly)) continue;
        const QJsonObject report = QJsonDocument::fromJson(file.readAll()).object();
        const QJsonObject stored = report[u"stored"_s].toObject();
        for (auto it = stored.begin(); it != stored.end(); ++it) {
            ++acknowledged;
            const auto found = onServer.find(it.key());
            if (found == onServer.end() || !found->second.contains(it.value().toString())) ++lost;
        }
        for (const QJsonValue name : report[u"deleted"_s].toArray()) {
            ++acknowledged;
            if (onServer.count(name.toString())) ++lost;
        }
        refusals += report[u"refusals"_s].toInt();
        const QJsonArray organizerErrors = report[u"errors"_s].toArray();
        errors += int(organizerErrors.size());
        // The first of each organizer: what came after it often follows from it.
        if (!organizerErrors.isEmpty() && errorSamples.size() < 5)
            errorSamples.append(organizerErrors.first().toString());
        const QJsonObject kinds = report[u"times"_s].toObject();
        for (auto it = kinds.begin(); it != kinds.end(); ++it)
            for (const QJsonValue ms : it.value().toArray())
                times[it.key()].push_back(ms.toDouble());
        gaps.push_back(report[u"longest_gap_ms"_s].toDouble());
    }
    for (const auto& [name, rows] : onServer)
        if (rows.size() > 1) duplicates += int(rows.size()) - 1;

    std::printf("%s: %d organizers for %d s%s\n", faults ? "With faults" : "Without faults",
                organizers, seconds,
                failed ? qPrintable(u" (%1 did not finish)"_s.arg(failed)) : "");
    for (const QString& line : faultLog) std::printf("  fault at %s\n", qPrintable(line));
    std::printf("| Measure | Figure |\n|---|---|\n");
    size_t writes = 0;
    for (const auto& [kind, list] : times) writes += list.size();
    std::printf("| Writes acknowledged | %zu |\n", writes);
    std::printf("| Contacts checked against their last acknowledged write | %d |\n", acknowledged);
    std::printf("| Lost acknowledged writes | %d |\n", lost);
    std::printf("| Duplicates | %d |\n", duplicates);
    std::printf("| Refusals, a message of the organizer's (taken, gone) | %d |\n", refusals);
    std::printf("| Errors, not an organizer's message | %d |\n", errors);
    for (const char* kind : {"add", "save", "delete"}) {
        const std::vector<double>& list = times[QString::fromLatin1(kind)];
        std::printf("| %s: count, p50 / p99 | %zu, %.2f / %.2f ms |\n", kind, list.size(),
                    percentile(list, 0.5), percentile(list, 0.99));
    }
    std::printf(
        "| Time to be usable again (longest without a completed action), median / max "
        "of organizers | "
        "%.0f / %.0f ms |\n",
        percentile(gaps, 0.5), gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
    for (const QString& sample : errorSamples) std::printf("  error: %s\n", qPrintable(sample));
    values(maintenance.value(), u"DROP DATABASE %1 WITH (FORCE)"_s.arg(server.database));
    return lost == 0 && duplicates == 0 && failed == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (const QString number = option(args, u"organizer"_s); !number.isEmpty())
        return runOrganizer(option(args, u"url"_s), number.toInt(),
                            option(args, u"seconds"_s).toInt(), option(args, u"out"_s));
    return runLoad(args);
}
