#pragma once

#include "data/DbError.h"

#include <QString>
#include <QStringList>

namespace vemora::bench {

// How much a generated database holds; all of it belongs to user 1 (the administrator).
struct DataSizes {
    int contacts = 100'000;
    int words = 1'000'000;
    int years = 10;  // one diary and one planner entry a day
};

// Writes a new journey.mdb in `directory` filled to `sizes`. The texts are made up but
// deterministic, so two runs build the same file.
Status generateDatabase(const QString& directory, const DataSizes& sizes);

// The queries of the rows the workspace shows when it opens on that file. With `searchList`,
// also the dictionary search list's own, whose words the workspace takes from the grid's rows.
QStringList workspaceQueries(bool searchList);

}  // namespace vemora::bench
