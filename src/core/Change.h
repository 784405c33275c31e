#pragma once

#include "data/Schema.h"

#include <QStringList>

#include <span>

namespace vemora {

// Why a store left the records as they were; the window words it.
enum class Refusal {
    None,
    Incomplete,  // a required text is blank; for a day, there is nothing to edit
    Unstorable,  // a text cannot be stored exactly; `field` says which
    Taken,       // the names, the word or the day are stored already
    NotOwner,    // another user's record
    Gone,        // the record as it was loaded is no longer stored
    TooLong,     // a text is longer than its column holds; `field` says which
};

// The outcome of a change a store was asked for.
struct Change {
    Refusal refusal = Refusal::None;
    int field = -1;  // index of the text that cannot be stored

    bool done() const { return refusal == Refusal::None; }
};

// Unstorable with the first text that cannot be stored exactly; done when there is none.
Change checkStorable(const QStringList& texts);
// Incomplete when any text is blank once trimmed, else checkStorable.
Change checkComplete(const QStringList& texts);
// TooLong with the first text longer than its column holds, the columns given in the texts'
// order; done when every text fits.
Change checkFits(const QStringList& texts, std::span<const Column> columns);

}  // namespace vemora
