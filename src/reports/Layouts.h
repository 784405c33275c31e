#pragma once

#include "reports/ReportLayout.h"

namespace vemora::layouts {

// The four report definitions, as designed.
ReportLayout DataDiaryReport();
ReportLayout DataPlanner();
ReportLayout DataDictionary();
ReportLayout DataReportAddressBook();

}  // namespace vemora::layouts
