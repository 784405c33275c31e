#pragma once

#include <QString>
#include <iostream>

#include "data/DbError.h"

namespace vemora {

enum Exit : int {
    kSuccess = 0,
    kUsage = 1,
    kLoginRefused = 2,
    kInUse = 3,
    kInvalidFile = 4,
    kIoFailure = 5,
};

inline int fail(int code, const QString& message) {
    std::cerr << "vemora-cli: " << message.toStdString() << std::endl;
    return code;
}

inline int exitFor(DbProblem problem) {
    switch (problem) {
        case DbProblem::Busy:
            return kInUse;
        case DbProblem::Damaged:
        case DbProblem::Foreign:
        case DbProblem::Newer:
            return kInvalidFile;
        default:
            return kIoFailure;
    }
}

}  // namespace vemora
