#include "reports/Print.h"
#include "data/Logging.h"

#include "core/ContactStore.h"
#include "core/DayStore.h"
#include "core/WordStore.h"
#include "platform/Session.h"
#include "platform/Widgets.h"
#include "reports/DataEnvironment.h"
#include "reports/ReportPreview.h"

namespace vemora {

namespace {

// Closes the recordset and reopens it with the source on the report connection. A failed
// reopen leaves it closed.
void select(Session& session, Recordset& recordset, const Statement& source) {
    recordset.close();
    session.SqlText() = source.rendering();
    logDropped(logWindows(), "reading a report's rows",
               recordset.open(source, session.MyConnection()));
}

qint64 userNumber(Session& session) {
    return session.CurrentUser().user_num.toLongLong();
}

// Writes a caption into the report header; a missing control is passed over.
void setHeaderCaption(Report& report, int control, const QString& caption) {
    if (Section* header = report.layout.section(kReportHeader)) {
        if (Control* label = header->control(control)) label->caption = caption;
    }
}

}  // namespace

ReportPreview* showReport(Platform& platform, Report& report) {
    ReportPreview* preview =
        showSingle(report.preview, [&] { return new ReportPreview(platform, report); });
    preview->refresh();
    return preview;
}

void closeReportPreviews() {
    DataEnvironment& env = DataEnvironment::instance();
    for (Report* report : {&env.DataReportAddressBook(), &env.DataPlanner(), &env.DataDiaryReport(),
                           &env.DataDictionary()}) {
        delete report->preview.data();
    }
}

ReportPreview* printAddressBook(Platform& platform, const QString& name, const QString& middleName,
                                const QString& lastName) {
    DataEnvironment& env = DataEnvironment::instance();
    select(platform.session, env.rscom_addressbook(),
           ContactStore::selection(userNumber(platform.session), {name, middleName, lastName}));
    return showReport(platform, env.DataReportAddressBook());
}

ReportPreview* printDiary(Platform& platform, QDate day) {
    DataEnvironment& env = DataEnvironment::instance();
    Session& session = platform.session;
    select(session, env.rscom_diary(),
           DayStore::selection(DayBook::diary(), userNumber(session), day));
    setHeaderCaption(env.DataDiaryReport(), 2,
                     session.CurrentUser().name.toString() + QStringLiteral("'s diary profile."));
    return showReport(platform, env.DataDiaryReport());
}

ReportPreview* printPlanner(Platform& platform, QDate day) {
    DataEnvironment& env = DataEnvironment::instance();
    Session& session = platform.session;
    select(session, env.rscom_planner(),
           DayStore::selection(DayBook::planner(), userNumber(session), day));
    setHeaderCaption(env.DataPlanner(), 3,
                     session.CurrentUser().name.toString() + QLatin1Char('.'));
    return showReport(platform, env.DataPlanner());
}

ReportPreview* printDictionary(Platform& platform, const QString& word,
                               const QString& description) {
    DataEnvironment& env = DataEnvironment::instance();
    select(platform.session, env.rscom_dictionary(), WordStore::selection(word, description));
    return showReport(platform, env.DataDictionary());
}

}  // namespace vemora
