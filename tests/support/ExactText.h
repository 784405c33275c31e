#pragma once

#include <QString>

// Texts that test whether input is stored exactly as typed, or refused.
namespace vemora::test {

// The refusal of a field whose text cannot be stored exactly; its title is "Cannot Store!".
inline QString cannotStore(const QString& label) {
    return QStringLiteral(
               "The \"%1\" field holds a character that cannot be stored! Please type "
               "it again.")
        .arg(label);
}

// One character outside the 16-bit range: two UTF-16 code units.
inline const QString kEmoji = QString::fromUtf16(u"\U0001F600");
// Its first half alone, as a length limit or another program may leave it.
inline const QString kHalfEmoji = kEmoji.left(1);

// What other writers leave in stored texts and a text box would change: CR LF, a non-breaking
// space, a line separator and a paragraph separator.
inline const QString kOtherWritersText = QStringLiteral("one\r\ntwo") + QChar(0x00A0) +
                                         QStringLiteral("three") + QChar(0x2028) +
                                         QStringLiteral("four") + QChar(0x2029);

}  // namespace vemora::test
