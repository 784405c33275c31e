#pragma once

#include <QPointer>

#include "data/Recordset.h"
#include "reports/ReportLayout.h"

namespace vemora {

class ReportPreview;

// A report definition bound to its command's recordset, and its preview window while open.
struct Report {
    ReportLayout layout;
    const Recordset& rows;
    QPointer<ReportPreview> preview;
};

// The reports' data environment: the recordsets of the four commands and the four reports
// bound to them. They live for the whole program run, so a recordset keeps the last
// selection and a report the last header caption written into it. The commands run on the
// session's MyConnection.
class DataEnvironment final {
    Q_DISABLE_COPY_MOVE(DataEnvironment)
public:
    static DataEnvironment& instance();

    Recordset& rscom_addressbook() { return m_rscom_addressbook; }
    Recordset& rscom_planner() { return m_rscom_planner; }
    Recordset& rscom_diary() { return m_rscom_diary; }
    Recordset& rscom_dictionary() { return m_rscom_dictionary; }

    Report& DataReportAddressBook() { return m_DataReportAddressBook; }
    Report& DataPlanner() { return m_DataPlanner; }
    Report& DataDiaryReport() { return m_DataDiaryReport; }
    Report& DataDictionary() { return m_DataDictionary; }

private:
    DataEnvironment();

    Recordset m_rscom_addressbook;
    Recordset m_rscom_planner;
    Recordset m_rscom_diary;
    Recordset m_rscom_dictionary;
    Report m_DataReportAddressBook;
    Report m_DataPlanner;
    Report m_DataDiaryReport;
    Report m_DataDictionary;
};

}  // namespace vemora
