#pragma once

#include "data/DbError.h"

#include <QLoggingCategory>

namespace vemora {

// One category per library, quiet unless QT_LOGGING_RULES turns it on
// (QT_LOGGING_RULES="vemora.*.warning=true").
Q_DECLARE_LOGGING_CATEGORY(logData)     // vemora.data
Q_DECLARE_LOGGING_CATEGORY(logCore)     // vemora.core
Q_DECLARE_LOGGING_CATEGORY(logBackup)   // vemora.backup
Q_DECLARE_LOGGING_CATEGORY(logWindows)  // vemora.windows: grids and reports

// Records a failure the caller goes on without: a statement whose outcome cannot change what
// happens next, or a read whose failure the window shows as an empty grid. Nothing when `status`
// succeeded.
void logDropped(const QLoggingCategory& category, const char* what, const Status& status);

template <class T>
void logDropped(const QLoggingCategory& category, const char* what, const Result<T>& result) {
    logDropped(category, what, result.status());
}

}  // namespace vemora
