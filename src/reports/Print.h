#pragma once

#include <QDate>
#include <QString>

#include "platform/Platform.h"

namespace vemora {

class ReportPreview;
struct Report;

// Opens the report's preview window, or lays the open one out again over the current rows.
ReportPreview* showReport(Platform& platform, Report& report);
// Closes every open preview, so that after a log-out nobody sees the last user's records.
void closeReportPreviews();

// The modules' Print commands. Each selects the record on screen into its command's
// recordset (the statement is left in SqlText), writes the report's header caption where it
// has one, and shows the report. Every failure is passed over: a selection that fails or
// matches nothing shows the report without rows. A contact or a word is selected the way
// its tab's Save finds it.
ReportPreview* printAddressBook(Platform& platform, const QString& name, const QString& middleName,
                                const QString& lastName);
ReportPreview* printDiary(Platform& platform, QDate day);
ReportPreview* printPlanner(Platform& platform, QDate day);
ReportPreview* printDictionary(Platform& platform, const QString& word, const QString& description);

}  // namespace vemora
