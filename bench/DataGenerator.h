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

// How much the search benchmark's database holds: every account writes a diary entry and a
// plan every day.
struct DiarySizes {
    int users = 5;  // the administrator and accounts 2 to `users`
    int years = 20;
    int diaryWords = 300;  // about this many in each entry
};

// The first day of the diaries.
inline constexpr int kFirstDiaryYear = 2006;

// The words of the diaries, most frequent first: English words, then made-up ones of English
// syllables, some with diacritics. The word of rank r comes up about as often as 1/r.
const QStringList& diaryVocabulary();

// A text of sentences of about `words` words from the vocabulary, the same for the same seed.
QString diaryText(quint32 seed, int words);

// Writes a new journey.mdb in `directory` filled to `sizes`, the same for the same sizes. The
// search index is kept up as the organizer keeps it, by its triggers.
Status generateDiaries(const QString& directory, const DiarySizes& sizes);

// The queries of the rows the workspace shows when it opens on that file. With `searchList`,
// also the dictionary search list's own, whose words the workspace takes from the grid's rows.
QStringList workspaceQueries(bool searchList);
// The queries the workspace runs, as a server is sent them, their values written in.
QStringList workspaceServerQueries();

}  // namespace vemora::bench
