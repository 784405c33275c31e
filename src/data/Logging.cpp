#include "data/Logging.h"

namespace vemora {

Q_LOGGING_CATEGORY(logData, "vemora.data", QtCriticalMsg)
Q_LOGGING_CATEGORY(logCore, "vemora.core", QtCriticalMsg)
Q_LOGGING_CATEGORY(logBackup, "vemora.backup", QtCriticalMsg)
Q_LOGGING_CATEGORY(logWindows, "vemora.windows", QtCriticalMsg)

void logDropped(const QLoggingCategory& category, const char* what, const Status& status) {
    if (status) return;
    qCWarning(category).noquote() << what << "failed:" << status.error().description;
}

}  // namespace vemora
