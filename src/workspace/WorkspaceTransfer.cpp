// The workspace's Import... and Export...: which records the current tab holds, the file
// dialogs and the summary. The records move through the transfer library.
#include "workspace/frmTags.h"

#include "core/Clock.h"
#include "core/DayStore.h"
#include "data/FileWriting.h"
#include "formats/Csv.h"
#include "platform/FileDialogs.h"
#include "platform/Prompter.h"
#include "platform/Session.h"
#include "platform/TransferDialogs.h"
#include "transfer/ContactColumns.h"
#include "transfer/Records.h"
#include "transfer/Transfer.h"
#include "workspace/addressbook/AddressBookTab.h"
#include "workspace/diary/DiaryTab.h"
#include "workspace/dictionary/DictionaryTab.h"
#include "workspace/planner/PlannerTab.h"
#include "workspace/player/PlayerTab.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <QTabWidget>

#include <array>

namespace vemora {

namespace {

const QString kImportTitle = QStringLiteral("Import");
const QString kExportTitle = QStringLiteral("Export");

// What a tab's records are exported as and imported from.
struct TabFiles {
    DataKind kind;
    QString fileName;      // offered when exporting
    QString exportFilter;  // one filter per format, in the order of `formats`
    QList<FileFormat> formats;
    QString importFilter;
};

const TabFiles& tabFiles(int page) {
    static const QString allFiles = QStringLiteral("All files (*.*)|*.*|");
    static const QString calendar = QStringLiteral("iCalendar (*.ics)|*.ics|");
    static const std::array<TabFiles, 4> tabs{{
        {DataKind::Contacts,
         QStringLiteral("contacts.vcf"),
         QStringLiteral("vCard 4.0 (*.vcf)|*.vcf|vCard 3.0 (*.vcf)|*.vcf|CSV file (*.csv)|*.csv|"),
         {FileFormat::VCard4, FileFormat::VCard3, FileFormat::Csv},
         QStringLiteral("vCard or CSV file (*.vcf;*.vcard;*.csv)|*.vcf;*.vcard;*.csv|") + allFiles},
        {DataKind::Planner,
         QStringLiteral("planner.ics"),
         calendar,
         {FileFormat::ICalendar},
         QStringLiteral("iCalendar (*.ics;*.ical)|*.ics;*.ical|") + allFiles},
        {DataKind::Diary,
         QStringLiteral("diary.ics"),
         calendar,
         {FileFormat::ICalendar},
         QStringLiteral("iCalendar (*.ics;*.ical)|*.ics;*.ical|") + allFiles},
        {DataKind::Dictionary,
         QStringLiteral("dictionary.csv"),
         QStringLiteral("CSV file (*.csv)|*.csv|"),
         {FileFormat::Csv},
         QStringLiteral("CSV file (*.csv)|*.csv|") + allFiles},
    }};
    return tabs.at(std::size_t(page));
}

constexpr int kPlayerPage = 4;

QString errorText(const DbError& error) {
    return QString::number(error.number) + QLatin1Char(' ') + error.description;
}

// The character sets offered for a file that is not UTF-8; the first is the one assumed.
QList<QByteArray> charsets() {
    QList<QByteArray> names;
    for (const char* name :
         {"Windows-1252", "ISO-8859-15", "Windows-1250", "Windows-1251", "KOI8-R", "ISO-8859-7",
          "Windows-1254", "Shift_JIS", "EUC-JP", "GB18030", "Big5", "EUC-KR"})
        if (QStringDecoder(name).isValid()) names.append(name);
    return names;
}

// The question for a file whose header was not known: its columns, its first rows, and the
// first contacts as a field for each column makes them.
ColumnQuestion columnQuestion(const csv::Table& table) {
    ColumnQuestion question{table.header,
                            table.rows,
                            {records::kContactHeaders.begin(), records::kContactHeaders.end()},
                            {},
                            {}};
    const ContactColumns columns(table.header);
    for (int i = 0; i < table.header.size(); ++i) question.chosen.append(columns.fieldOf(i));
    question.preview = [table](const QList<int>& fields) {
        ContactColumns chosen(table.header);
        for (int i = 0; i < fields.size(); ++i) chosen.setField(i, fields[i]);
        QList<QStringList> contacts;
        for (const QStringList& row : table.rows) contacts.append(chosen.contactOf(row));
        return contacts;
    };
    return question;
}

}  // namespace

void frmTags::exportFile() {
    const int page = tabMenu()->currentIndex();
    if (page == kPlayerPage) {
        m_player->findChild<QAbstractButton*>(QStringLiteral("cmdSavePL"))->click();
        return;
    }
    TransferDialogs& dialogs = *m_platform.transfer;
    Database& database = m_platform.session.database();
    const qint64 user = m_platform.session.CurrentUser().user_num.toLongLong();
    const TabFiles& files = tabFiles(page);
    ExportRequest request{files.kind};

    if (const auto chosen = m_addressBook->loadedContact();
        files.kind == DataKind::Contacts && chosen) {
        const QString name =
            QStringList{chosen->name.trimmed(), chosen->middle.trimmed(), chosen->last.trimmed()}
                .join(QLatin1Char(' '));
        const std::optional<bool> only = dialogs.askChosenOnly(this, name);
        if (!only) return;
        if (*only) request.contact = chosen;
    }
    if (files.kind == DataKind::Diary || files.kind == DataKind::Planner) {
        const auto range = entryRange(
            database, files.kind == DataKind::Diary ? DayBook::diary() : DayBook::planner(), user);
        if (!range) {
            m_platform.prompter.show(errorText(range.error()), kExportTitle, vbExclamation);
            return;
        }
        const QDate today = currentDateTime().date();
        const auto [first, last] = range.value().value_or(std::pair{today, today});
        const std::optional<DayRange> days = dialogs.askRange(this, first, last);
        if (!days) return;
        request.from = days->from;
        request.to = days->to;
    }

    int filter = 0;
    const auto path = m_platform.files.saveFile(
        this, {kExportTitle, files.exportFilter, files.fileName, FilePurpose::Documents, &filter});
    if (!path || path->isEmpty()) return;
    request.format = files.formats.value(filter, files.formats.first());

    Result<Exported> exported = [&] {
        const std::unique_ptr<ProgressWindow> progress =
            dialogs.progress(this, QStringLiteral("Exporting..."));
        return exportRecords(database, user, request, [&progress](qsizetype done, qsizetype total) {
            return progress->advance(done, total);
        });
    }();
    if (!exported) {
        m_platform.prompter.show(errorText(exported.error()), kExportTitle, vbExclamation);
        return;
    }
    if (exported.value().cancelled) return;
    if (const auto problem = replaceFile(*path, exported.value().bytes)) {
        m_platform.prompter.show(
            QStringLiteral("The file could not be written.\r\n%1").arg(*problem), kExportTitle,
            vbExclamation);
        return;
    }
    dialogs.showSummary(
        this,
        QStringLiteral("%1 exported to %2")
            .arg(countOf(files.kind, exported.value().records), QDir::toNativeSeparators(*path)),
        kExportTitle, linesOf(exported.value().leftOut));
}

void frmTags::importFile() {
    const int page = tabMenu()->currentIndex();
    if (page == kPlayerPage) {
        m_player->findChild<QAbstractButton*>(QStringLiteral("cmdOpenPlaylist"))->click();
        return;
    }
    const auto path = m_platform.files.openFile(
        this, {kImportTitle, tabFiles(page).importFilter, QString(), FilePurpose::Documents});
    if (!path || path->isEmpty()) return;
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly)) {
        m_platform.prompter.show(
            QStringLiteral("The file could not be read.\r\n%1").arg(file.errorString()),
            kImportTitle, vbExclamation);
        return;
    }
    QByteArray bytes = file.readAll();
    file.close();

    TransferDialogs& dialogs = *m_platform.transfer;
    if (csv::guessesCharset(bytes)) {
        // Windows-1252 is what the readers assume; any other set is read as UTF-8 from here.
        const QList<QByteArray> offered = charsets();
        const QByteArray head = bytes.first(std::min<qsizetype>(bytes.size(), 4096));
        const auto charset = dialogs.askCharset(this, offered, [&head](const QByteArray& name) {
            QStringDecoder decoder(name.constData());
            return QString(decoder(head));
        });
        if (!charset) return;
        if (*charset != offered.first()) {
            QStringDecoder decoder(charset->constData());
            bytes = QString(decoder(bytes)).toUtf8();
        }
    }
    const auto import = [&](const QList<ColumnChoice>& columns) {
        const std::unique_ptr<ProgressWindow> progress =
            dialogs.progress(this, QStringLiteral("Importing..."));
        return importRecords(
            m_platform.session.database(), m_platform.session.CurrentUser().user_num.toLongLong(),
            bytes,
            [&progress](qsizetype done, qsizetype total) { return progress->advance(done, total); },
            columns);
    };
    ImportSummary summary = import({});
    // A header nobody knows is mapped by the user; cancelled, the summary says why nothing came.
    if (summary.unknownHeader) {
        const QStringList header = summary.unknownHeader->header;
        if (const auto fields = dialogs.askColumns(this, columnQuestion(*summary.unknownHeader))) {
            QList<ColumnChoice> columns;
            for (int i = 0; i < header.size(); ++i)
                columns.append({header[i], fields->value(i, ContactColumns::kNotImported)});
            summary = import(columns);
        }
    }
    for (const DataKind kind : summary.kinds) {
        switch (kind) {
            case DataKind::Contacts:
                m_addressBook->LoadAddressBook();
                break;
            case DataKind::Diary:
                m_diary->showNewEntries();
                break;
            case DataKind::Planner:
                m_planner->showNewEntries();
                break;
            case DataKind::Dictionary:
                m_dictionary->RefreshDictionaryGrid();
                break;
        }
    }
    QStringList details = summary.details();
    if (!summary.unusedColumns.isEmpty())
        details.append(QStringLiteral("Columns not imported: %1")
                           .arg(summary.unusedColumns.join(QStringLiteral(", "))));
    dialogs.showSummary(this, summary.text(), kImportTitle, details);
}

}  // namespace vemora
