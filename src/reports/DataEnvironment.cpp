#include "reports/DataEnvironment.h"

#include "reports/Layouts.h"

namespace vemora {

DataEnvironment::DataEnvironment()
    : m_DataReportAddressBook{layouts::DataReportAddressBook(), m_rscom_addressbook, {}},
      m_DataPlanner{layouts::DataPlanner(), m_rscom_planner, {}},
      m_DataDiaryReport{layouts::DataDiaryReport(), m_rscom_diary, {}},
      m_DataDictionary{layouts::DataDictionary(), m_rscom_dictionary, {}} {}

DataEnvironment& DataEnvironment::instance() {
    static DataEnvironment environment;
    return environment;
}

}  // namespace vemora
